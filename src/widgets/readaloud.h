#pragma once
// What a screen reader hears where Qt's own reading says little: a list is
// named by what it sets ("色: 赤", where Qt names it by its current item alone), and a read-only date box reads as its
// label and a date (Qt reads it as a spin box whose value is 0).
#include <QString>

class QComboBox;
class QDateEdit;

namespace plandor {

void readListAs(QComboBox* list, const QString& setting);
void readDateAs(QDateEdit* box, const QString& label);

}  // namespace plandor
