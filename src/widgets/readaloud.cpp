#include "readaloud.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>

namespace plandor {
namespace {

const char kSetting[] = "plandorReadAs";

class ListReading final : public QAccessibleWidget {
 public:
  explicit ListReading(QComboBox* list) : QAccessibleWidget(list, QAccessible::ComboBox) {}
  QComboBox* list() const { return static_cast<QComboBox*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name)
      return list()->property(kSetting).toString() + QStringLiteral(": ") + list()->currentText();
    if (t == QAccessible::Value) return list()->currentText();
    return QAccessibleWidget::text(t);
  }
  // The items, as Qt's own reading of a combo box offers them, after the
  // editor of an editable box.
  QList<QObject*> parts() const {
    QList<QObject*> p;
    if (list()->lineEdit()) p << list()->lineEdit();
    return p << list()->view();
  }
  int childCount() const override { return int(parts().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QObject*> p = parts();
    return index >= 0 && index < p.size() ? QAccessible::queryAccessibleInterface(p[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child ? int(parts().indexOf(child->object())) : -1;
  }
};

class DateReading final : public QAccessibleWidget {
 public:
  explicit DateReading(QDateEdit* box) : QAccessibleWidget(box, QAccessible::StaticText) {}
  QString text(QAccessible::Text t) const override {
    auto* box = static_cast<QDateEdit*>(widget());
    // A box that shows its special text ("未作成") is read so.
    const QString date = !box->specialValueText().isEmpty() && box->date() == box->minimumDate()
                             ? box->specialValueText()
                             : QLocale().toString(box->date(), QStringLiteral("yyyy年M月d日 dddd"));
    if (t == QAccessible::Name) return box->property(kSetting).toString() + QStringLiteral(": ") + date;
    if (t == QAccessible::Value) return date;
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    return s;
  }
};

// Asked for every widget that shows or changes: the class is checked before
// the setting, whose look-up by name costs more than the rest together.
QAccessibleInterface* readings(const QString&, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (auto* list = qobject_cast<QComboBox*>(object))
    return list->property(kSetting).isValid() ? new ListReading(list) : nullptr;
  if (auto* box = qobject_cast<QDateEdit*>(object))
    return box->property(kSetting).isValid() ? new DateReading(box) : nullptr;
  return nullptr;
}

void installReadings() {
  static const bool installed = [] {
    QAccessible::installFactory(readings);
    return true;
  }();
  (void)installed;
}

// Qt keeps the first reading it made of a widget (setting a hint or a name
// already makes one): that one goes, and the next is made by ours.
void forgetReading(QObject* o) {
  if (QAccessibleInterface* made = QAccessible::queryAccessibleInterface(o))
    if (!dynamic_cast<ListReading*>(made) && !dynamic_cast<DateReading*>(made))
      QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void nameChanged(QObject* o) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent e(o, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&e);
}

}  // namespace

void readListAs(QComboBox* list, const QString& setting) {
  installReadings();
  list->setProperty(kSetting, setting);
  forgetReading(list);
  QObject::connect(list, &QComboBox::currentTextChanged, list, [list] { nameChanged(list); });
}

void readDateAs(QDateEdit* box, const QString& label) {
  installReadings();
  box->setProperty(kSetting, label);
  forgetReading(box);
  QObject::connect(box, &QDateEdit::dateChanged, box, [box] { nameChanged(box); });
}

}  // namespace plandor
