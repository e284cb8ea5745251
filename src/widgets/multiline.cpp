#include "multiline.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>

namespace plandor {

QString withCrLf(const QString& text) {
  QString crlf = text;
  return crlf.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

std::size_t multilineBytes(const QString& text) { return cp932Length(withCrLf(text).toStdString()); }

void limitMultilineBytes(QPlainTextEdit* edit, std::size_t capacity) {
  QTextDocument* doc = edit->document();
  QObject::connect(doc, &QTextDocument::contentsChange, edit, [doc, capacity](int pos, int, int added) {
    const QString text = doc->toPlainText();
    if (added <= 0 || multilineBytes(text) <= capacity) return;
    pos = std::min<int>(pos, text.size());
    added = std::min<int>(added, text.size() - pos);
    const std::size_t rest = multilineBytes(text.left(pos) + text.mid(pos + added));
    // The longest start of the insertion that fits, ending between characters.
    int keep = 0;
    if (rest < capacity) {
      const QString inserted = text.mid(pos, added);
      while (keep < inserted.size()) {
        const int n = inserted[keep].isHighSurrogate() && keep + 1 < inserted.size() ? 2 : 1;
        if (rest + multilineBytes(inserted.left(keep + n)) > capacity) break;
        keep += n;
      }
    }
    QTextCursor cut(doc);
    cut.setPosition(pos + keep);
    cut.setPosition(pos + added, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
  });
}

}  // namespace plandor
