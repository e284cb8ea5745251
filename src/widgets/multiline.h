#pragma once
// Multi-line texts are stored with CR LF line breaks, which count against
// the field's bytes; the edit boxes use "\n".
#include <QString>
#include <string>

#include "codec.h"

namespace plandor {

template <std::size_t Capacity>
void storeMultiline(ShortText<Capacity>& field, const QString& text) {
  QString crlf = text;
  crlf.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  field.setText(crlf.toStdString());
}

template <std::size_t Capacity>
QString showMultiline(const ShortText<Capacity>& field) {
  return QString::fromStdString(field.text()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace plandor
