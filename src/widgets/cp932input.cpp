#include "cp932input.h"

#include <QCoreApplication>
#include <algorithm>
#include <QStatusTipEvent>
#include <QWidget>

#include "codec.h"

namespace plandor {

QString dropUnheld(QString& text, int& pos) {
  QString refused;
  if (cp932Holds(text.toStdString())) return refused;
  QString kept;
  kept.reserve(text.size());
  int newPos = pos;
  for (int i = 0; i < text.size();) {
    const int n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    const QString c = text.mid(i, n);
    if (cp932Holds(c.toStdString())) {
      kept += c;
    } else {
      refused += c;
      if (i < pos) newPos -= std::min(n, pos - i);
    }
    i += n;
  }
  text = kept;
  pos = std::clamp(newPos, 0, static_cast<int>(text.size()));
  return refused;
}

void tellUnheld(QWidget* box, const QString& refused) {
  if (!box || refused.isEmpty()) return;
  // The hint line listens for status tips from any control.
  QStatusTipEvent tip(QString::fromUtf8("「%1」はファイルに保存できない文字 (Shift-JIS にない文字) のため, 入力できません.")
                          .arg(refused.left(8)));
  QCoreApplication::sendEvent(box, &tip);
}

}  // namespace plandor
