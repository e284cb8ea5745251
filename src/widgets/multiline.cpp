#include "multiline.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QVariant>
#include <algorithm>

#include "cp932input.h"

namespace plandor {

QString withCrLf(const QString& text) {
  QString crlf = text;
  return crlf.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

std::size_t multilineBytes(const QString& text) { return cp932Length(withCrLf(text).toStdString()); }

void showInEdit(QPlainTextEdit* edit, const QString& text) {
  edit->setPlainText(text);
  edit->setProperty("shownText", edit->toPlainText());
}

bool editedSinceShown(const QPlainTextEdit* edit) {
  return edit->toPlainText() != edit->property("shownText").toString();
}

void limitMultilineBytes(QPlainTextEdit* edit, std::size_t capacity) {
  QTextDocument* doc = edit->document();
  QObject::connect(doc, &QTextDocument::contentsChange, edit, [edit, doc, capacity](int pos, int, int added) {
    if (added > 0) {
      // What CP932 cannot hold leaves the insertion first.
      const QString all = doc->toPlainText();
      pos = std::min<int>(pos, all.size());
      QString inserted = all.mid(pos, std::min<int>(added, all.size() - pos));
      int end = inserted.size();
      const QString refused = dropUnheld(inserted, end);
      if (!refused.isEmpty()) {
        QTextCursor c(doc);
        c.setPosition(pos);
        c.setPosition(pos + std::min<int>(added, all.size() - pos), QTextCursor::KeepAnchor);
        c.insertText(inserted);  // a change of its own, which finds nothing more to drop
        tellUnheld(edit, refused);
        return;
      }
    }
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
