#include "dlgsetlist.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTabWidget>

#include "widgetsupport.h"
#include "listcombo.h"
#include "platform.h"

namespace plandor {
namespace {

template <std::size_t Capacity, std::size_t N>
void storeItems(ShortText<Capacity> (&slotArray)[N], const QStringList& items) {
  for (auto& s : slotArray) s.clear();
  for (int i = 0; i < items.size() && i < static_cast<int>(N); ++i) slotArray[i].setText(items[i].toStdString());
}

const ListTab::Texts kTabTexts[4] = {
    {"スケジュール・パッドとルーチン・パッドのコンボボックス", "[キーワード]入力：", "|追加したいキーワードを入力してください.",
     "|左に入力したキーワードを一覧に追加します.", "[キーワード]一覧：", "|キーワードの一覧が表示されます.",
     "24件まで登録可能です."},
    {"スケジュール・パッドとルーチン・パッドのコンボボックス", "[説明]入力：", "|追加したい説明文を入力してください.",
     "|左に入力した説明文を一覧に追加します.", "[説明]一覧：", "|説明文の一覧が表示されます.", "24件まで登録可能です."},
    {"ダイアリー・パッドのコンボボックス", "[タイトル1]入力：", "|追加したいタイトルを入力してください.",
     "|左に入力したタイトルを一覧に追加します.", "[タイトル1]一覧：", "|タイトルの一覧が表示されます.",
     "12件まで登録可能です."},
    {"ダイアリー・パッドのコンボボックス", "[タイトル2]入力：", "|追加したいタイトルを入力してください.",
     "|左に入力したタイトルを一覧に追加します.", "[タイトル2]一覧：", "|タイトルの一覧が表示されます.",
     "12件まで登録可能です."},
};

// Rows 13 pixels high and as wide as their text: a long entry widens the
// list, which then scrolls sideways, instead of being cut with "…".
class RowDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), 13};
  }
};

}  // namespace

ListTab::ListTab(const Texts& t, int capacity, int limit, const QString& suffix, QWidget* parent)
    : QWidget(parent), limit_(limit) {
  auto* group = new QGroupBox(q(t.group), this);
  group->setGeometry(10, 15, 370, 300);
  auto label = [group](const char* text, int x, int y) {
    auto* l = new QLabel(q(text), group);
    l->move(x, y);
    l->adjustSize();
    return l->text();
  };
  const QString entryLabel = label(t.entryLabel, 12, 25);
  edit = new QLineEdit(group);
  nameAfter(edit, entryLabel);
  edit->setGeometry(10, 40, 265, 21);
  edit->setValidator(new Cp932LengthValidator(capacity, edit));
  setHint(edit, q(t.entryHint));
  btnAppend = button(group, QStringLiteral("btnAppend") + suffix, "追加", QRect(285, 40, 75, 22), t.appendHint);
  const QString listLabel = label(t.listLabel, 12, 70);
  list = new QListWidget(group);
  nameAfter(list, listLabel);
  list->setGeometry(10, 85, 265, 178);
  list->setFocusPolicy(Qt::ClickFocus);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  list->setTextElideMode(Qt::ElideNone);
  list->setItemDelegate(new RowDelegate(list));
  setHint(list, q(t.listHint));
  btnDelete = button(group, QStringLiteral("btnDelete") + suffix, "削除", QRect(285, 175, 75, 22),
                     "|一覧で選択されている項目を削除します.");
  btnClear = button(group, QStringLiteral("btnClear") + suffix, "クリア", QRect(285, 240, 75, 22),
                    "|一覧の全ての項目を削除します.");
  BitBtnUp = button(group, QStringLiteral("BitBtnUp") + suffix, "", QRect(205, 265, 25, 25),
                    "|選択されている項目を上に移動します.");
  BitBtnUp->setIcon(style()->standardIcon(QStyle::SP_ArrowUp));
  BitBtnDown = button(group, QStringLiteral("BitBtnDown") + suffix, "", QRect(230, 265, 25, 25),
                      "|選択されている項目を下に移動します.");
  BitBtnDown->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
  BitBtnUp->setAccessibleName(q("上へ移動"));
  BitBtnDown->setAccessibleName(q("下へ移動"));
  for (QPushButton* b : {btnDelete, btnClear, BitBtnUp, BitBtnDown}) b->setFocusPolicy(Qt::ClickFocus);
  // Enter in the entry box appends (the buttons are never default buttons).
  connect(edit, &QLineEdit::returnPressed, this, &ListTab::btnAppendClick);
  label(t.limitLabel, 12, 270);

  connect(btnAppend, &QPushButton::clicked, this, &ListTab::btnAppendClick);
  connect(btnDelete, &QPushButton::clicked, this, &ListTab::btnDeleteClick);
  connect(btnClear, &QPushButton::clicked, this, &ListTab::btnClearClick);
  connect(BitBtnUp, &QPushButton::clicked, this, &ListTab::BitBtnUpClick);
  connect(BitBtnDown, &QPushButton::clicked, this, &ListTab::BitBtnDownClick);
}

void ListTab::setItems(const std::vector<std::string>& items) {
  list->clear();
  for (const std::string& s : items) list->addItem(QString::fromStdString(s));
}

QStringList ListTab::items() const {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

void ListTab::btnAppendClick() {
  if (list->count() >= limit_ || edit->text().isEmpty()) return;
  list->addItem(edit->text());
  list->setCurrentRow(list->count() - 1);
  edit->setFocus();
}

void ListTab::btnDeleteClick() {
  if (list->count() == 0) return;
  const int row = list->currentRow();
  if (row >= 0 && list->item(row)->isSelected()) delete list->takeItem(row);
  if (list->count() > 0) list->setCurrentRow(list->count() - 1);
  edit->setFocus();
}

void ListTab::btnClearClick() {
  if (list->count() == 0) return;
  list->clear();
  edit->setFocus();
}

void ListTab::swapWith(int offset) {
  const int row = list->currentRow();
  if (list->count() < 2 || row < 0 || !list->item(row)->isSelected()) return;
  const int other = row + offset;
  if (other < 0 || other >= list->count()) return;
  QListWidgetItem* item = list->takeItem(row);
  list->insertItem(other, item);
  list->setCurrentRow(other);
}

void ListTab::BitBtnUpClick() { swapWith(-1); }

void ListTab::BitBtnDownClick() { swapWith(+1); }

void ListTab::TabSheetEnter() {
  if (list->count() > 0) list->setCurrentRow(list->count() - 1);
}

TdlgSetList::TdlgSetList(ListStore& lists, Platform& platform, QWidget* parent)
    : QDialog(parent), lists_(lists), platform_(platform) {
  setObjectName(QStringLiteral("dlgSetList"));
  setWindowTitle(q("コンボボックスのリスト項目の設定"));
  setFixedSize(450, 450);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  PageControl1->setGeometry(20, 15, 400, 355);
  PageControl1->setAccessibleName(q("リストの種類"));
  const char* captions[4] = {"キーワード", "説明", "タイトル 1", "タイトル 2"};
  const int capacities[4] = {31, 63, 31, 31};
  const int limits[4] = {24, 24, 12, 12};
  for (int i = 0; i < 4; ++i) {
    tabs[i] = new ListTab(kTabTexts[i], capacities[i], limits[i], i ? QString::number(i + 1) : QString());
    tabs[i]->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
    PageControl1->addTab(tabs[i], q(captions[i]));
  }
  const char* names[4][2] = {{"edtKeyword", "lbxKeyword"}, {"edtContent", "lbxContent"},
                             {"edtTitle1", "lbxTitle1"}, {"edtTitle2", "lbxTitle2"}};
  for (int i = 0; i < 4; ++i) {
    tabs[i]->edit->setObjectName(QLatin1String(names[i][0]));
    tabs[i]->list->setObjectName(QLatin1String(names[i][1]));
  }
  btnSaveEntries = button(this, "btnSaveEntries", "保存(&S)", QRect(20, 380, 270, 25),
                          "|一覧の内容をファイル(LEntries.lef)に保存します. 同時に、各コンボボックスに反映されます.");
  btnCloseSLDlg = button(this, "btnCloseSLDlg", "閉じる(&C)", QRect(310, 380, 110, 25),
                         "|このダイアログを閉じます. 設定・変更した内容は保存されません.");
  connect(btnSaveEntries, &QPushButton::clicked, this, &TdlgSetList::btnSaveEntriesClick);
  connect(btnCloseSLDlg, &QPushButton::clicked, this, &QDialog::reject);

  const ListEntries& e = lists_.entries;
  tabs[0]->setItems(listTexts(e.KeywordEntries));
  tabs[1]->setItems(listTexts(e.ContentEntries));
  tabs[2]->setItems(listTexts(e.Title1Entries));
  tabs[3]->setItems(listTexts(e.Title2Entries));
  PageControl1->setCurrentIndex(0);
  connect(qApp, &QApplication::focusChanged, this, &TdlgSetList::focusChanged);
}

// ~QWidget hands the focus on after this part is gone: stop listening first.
TdlgSetList::~TdlgSetList() { disconnect(qApp, nullptr, this, nullptr); }

void TdlgSetList::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  move(100, 50);
  tabs[0]->list->setFocus();
}

void TdlgSetList::focusChanged(QWidget* old, QWidget* now) {
  for (ListTab* tab : tabs)
    if (now && tab->isAncestorOf(now) && !(old && tab->isAncestorOf(old))) tab->TabSheetEnter();
}

void TdlgSetList::btnSaveEntriesClick() {
  ListEntries& e = lists_.entries;
  storeItems(e.KeywordEntries, tabs[0]->items());
  storeItems(e.ContentEntries, tabs[1]->items());
  storeItems(e.Title1Entries, tabs[2]->items());
  storeItems(e.Title2Entries, tabs[3]->items());
  const std::optional<IoResult> r = saveMindingChanges(
      platform_, lists_.ListFilePath, [&](bool overwrite) { return lists_.WriteListFile(overwrite); },
      [&](std::string& copy) { return lists_.WriteListCopy(copy); });
  if (r && !r->ok()) platform_.errorBox(r->message());
}

}  // namespace plandor
