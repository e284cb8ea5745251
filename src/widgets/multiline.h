#pragma once
// Multi-line texts are stored with CR LF line breaks, which count against
// the field's bytes; the edit boxes use "\n".
#include <QString>
#include <cstddef>
#include <string>

#include "codec.h"

class QPlainTextEdit;

namespace plandor {

// Every line break, "\n" or already CR LF, as CR LF.
QString withCrLf(const QString& text);

template <std::size_t Capacity>
void storeMultiline(ShortText<Capacity>& field, const QString& text) {
  const std::string bytes = utf8ToCp932(withCrLf(text).toStdString());
  std::size_t n = cp932CutLength(bytes, Capacity);
  // A cut between CR and LF would leave a lone CR: drop the line break whole.
  if (n > 0 && n < bytes.size() && bytes[n - 1] == '\r' && bytes[n] == '\n') --n;
  field.setRaw(std::string_view(bytes).substr(0, n));
}

// The bytes a multi-line text takes in its field: CP932, line breaks as CR LF.
std::size_t multilineBytes(const QString& text);
// Stops input at the field's capacity, as the one-line boxes do: an
// insertion goes in as far as it fits, and never silently cut at the save.
// Characters CP932 cannot hold are refused (cp932input.h).
void limitMultilineBytes(QPlainTextEdit* edit, std::size_t capacity);

// Sets `edit`'s text, remembering it as what the box showed.
void showInEdit(QPlainTextEdit* edit, const QString& text);
// True when `edit` holds other text than it showed. A field the user left
// as shown is kept byte for byte: a memo from another tool may end its lines
// with a bare LF, which a rewrite would turn into CR LF (and cut).
bool editedSinceShown(const QPlainTextEdit* edit);

template <std::size_t Capacity>
QString showMultiline(const ShortText<Capacity>& field) {
  return QString::fromStdString(field.text()).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

}  // namespace plandor
