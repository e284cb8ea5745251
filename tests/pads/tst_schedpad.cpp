// The schedule pad's handlers on a pad table, with boxes answered by the test.
#include <QAccessible>
#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <functional>

#include "filehelpers.h"
#include "listfile.h"
#include "schedpadframe.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

const char* const kRefusedSave =
    "終了時刻が開始時刻より早い,あるいは同時刻に設定されています.\r\n設定の一時保存は実行されませんでした.\r\n\r\n"
    "時刻を再設定してください.";
const char* const kRefusedRevise =
    "終了時刻が開始時刻より早い,あるいは同時刻に設定されています.\r\n"
    "前回保存したデータが有れば,設定を値に戻します(時刻データのみ).\r\n\r\n時刻を再設定してください.";

}  // namespace

class TestSchedPad : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup() {
    delete container;
    day.unlisten(listener);
  }
  void temporarySaveStoresTheBarAndSnapsThePad();
  void rightSidePadGetsSideR();
  void endNotAfterStartIsRefusedAndCanBeRetried();
  void hourOutsideTheDialAndNonIntegerHours();
  void changeKeepsTheMovedPositionAndRestoresRefusedTimes();
  void minuteBoxesWrapWithinTheHour();
  void focusMarksThePadAndNamesTheSelection();
  void timeRowsReadAsTheirNamedBoxesOnly();
  void dropDownOffersTheListAndKeepsTheText();
  void coloursFromFilesAreKeptAndTextsFitTheirFields();
  void arrowsAreQtsPicturesAtEveryScaleAndMode();
  void pastedTextIsWhatTheFieldHolds();
  void keyboardSaveKeepsTheFocusInThePad();
  void focusedPadComesToTheFrontAndTheTreeReadsIt();
  void rightClickOnTheMarkLeavesTheFocus();
  void colourListShowsEveryNameWhole();
  void paintedPadsLookAndReadAsPadsWithControls();

 private:
  TSchedPadFrame* makePad(int padNo, PadTime start, PadTime end, int left = 4);
  void saveDay() {
    bool headerSet;
    QDir(dir.path()).mkpath(QStringLiteral("Y200601"));
    QVERIFY(day.save({2006, 1, 1}, &headerSet).ok());
  }

  ScriptedPlatform platform;
  DayModel day;
  ListStore lists;
  int listener = 0;
  int repaints = 0;
  std::unique_ptr<PadContext> common;
  std::unique_ptr<SchedPadContext> ctx;
  QWidget* container = nullptr;
  QTemporaryDir dir;
};

void TestSchedPad::init() {
  platform = ScriptedPlatform();
  day.openEmpty(dir.filePath("Y200601/Y2006011.sdf").toStdString());
  lists.setDefaults();
  repaints = 0;
  listener = day.listen([this](DayModel::Change c, int) { repaints += c == DayModel::Change::PadStored; });
  QFile wav(dir.filePath("Shutter.wav"));
  wav.open(QIODevice::WriteOnly);
  common.reset(new PadContext{lists, platform, dir.path().toStdString(), {}});
  ctx.reset(new SchedPadContext{*common, day});
  container = new QWidget;
  container->resize(650, 2884);
  container->show();
}

TSchedPadFrame* TestSchedPad::makePad(int padNo, PadTime start, PadTime end, int left) {
  auto* pad = new TSchedPadFrame(*ctx, container);
  pad->showNew(padNo, start, end, left, TimeToY(start.hour, start.minute, start.pm) + 1);
  pad->show();
  return pad;
}

void TestSchedPad::temporarySaveStoresTheBarAndSnapsThePad() {
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 30, false});
  pad->bitMoveDownClick();
  QCOMPARE(pad->y(), 251);
  QTest::mouseClick(pad->btnSave, Qt::LeftButton);
  QCOMPARE(bytesOf(day.table().Bars[0]), QByteArray::fromHex("014c0000f0000000a401000000000000"));
  const PadRecord& p = day.table().Pads[0];
  QCOMPARE(p.PadNo, 1);
  QCOMPARE(p.Left, 4);
  QCOMPARE(p.Top, 241);  // snapped back level with the bar
  QCOMPARE(pad->y(), 241);
  QCOMPARE(p.Keyword.text(), std::string("キーワード"));
  QCOMPARE(p.Content.text(), std::string("説明"));
  QCOMPARE(p.StartHour, 8);
  QCOMPARE(p.EndMinute, 30);
  QVERIFY(!pad->btnSave->isEnabled());
  QVERIFY(pad->btnRevise->isEnabled());
  QCOMPARE(platform.sounds.size(), std::size_t(1));
  QVERIFY(repaints > 0);
}

void TestSchedPad::rightSidePadGetsSideR() {
  TSchedPadFrame* pad = makePad(2, {1, 0, true}, {2, 0, true}, 351);
  pad->colorBox->setColor(0x0000FF);
  pad->btnSaveClick();
  QCOMPARE(day.table().Bars[1].Side.text(), std::string("R"));
  QCOMPARE(day.table().Bars[1].TopY, 840);
  QCOMPARE(day.table().Bars[1].Color, 0x0000FF);
  QCOMPARE(day.table().Pads[1].Left, 351);
}

void TestSchedPad::endNotAfterStartIsRefusedAndCanBeRetried() {
  TSchedPadFrame* pad = makePad(1, {7, 0, false}, {7, 0, false});
  pad->cmbKeyword->setEditText(QStringLiteral("散歩"));
  pad->btnSaveClick();
  QCOMPARE(platform.messages.size(), std::size_t(1));
  QCOMPARE(platform.messages[0].text, std::string(kRefusedSave));
  const PadRecord& p = day.table().Pads[0];
  QCOMPARE(p.StartHour, -1);
  QCOMPARE(p.EndMinute, -1);
  QCOMPARE(p.Keyword.text(), std::string("散歩"));  // the rest of the copy stays
  QCOMPARE(day.table().Bars[0].TopY, -1);
  QVERIFY(pad->btnSave->isEnabled());
  QVERIFY(platform.sounds.empty());
  QCOMPARE(pad->Panel3->cmbHour->currentText(), QStringLiteral("7"));  // the controls keep the input

  pad->Panel3->speMinute->setValue(45);
  pad->btnSaveClick();
  QCOMPARE(day.table().Bars[0].TopY, 120);
  QCOMPARE(day.table().Bars[0].BottomY, 210);
  QCOMPARE(platform.sounds.size(), std::size_t(1));
}

void TestSchedPad::hourOutsideTheDialAndNonIntegerHours() {
  TSchedPadFrame* pad = makePad(1, {0, 30, true}, {1, 0, true});
  pad->Panel2->cmbHour->setEditText(QStringLiteral("12"));
  pad->btnSaveClick();
  QCOMPARE(day.table().Bars[0].TopY, 780);  // 12 PM is noon, as the clock says
  QCOMPARE(day.table().Bars[0].BottomY, 840);
  QCOMPARE(day.table().Pads[0].StartHour, 0);

  // Other hours off the dial are refused before anything is written.
  pad->Panel3->cmbHour->setEditText(QStringLiteral("13"));
  pad->btnReviseClick();
  QCOMPARE(platform.messages.back().text,
           std::string("終了時刻の「時」の欄: '13' は時刻(時)に使えません.\r\n0 から 12 までの整数を入力してください."));
  QCOMPARE(day.table().Bars[0].BottomY, 840);
  QCOMPARE(day.table().Pads[0].EndHour, 1);

  TSchedPadFrame* other = makePad(2, {8, 0, false}, {9, 0, false});
  other->Panel3->cmbHour->setEditText(QStringLiteral("九"));
  other->btnSaveClick();
  // The box, what is wrong and what to type; the box takes the focus.
  QCOMPARE(platform.errors, std::vector<std::string>{"終了時刻の「時」の欄: '九' は整数ではありません.\r\n"
                                                     "0 から 12 までの整数を入力してください."});
  QWidget* focus = other->window()->focusWidget();
  QVERIFY(focus == other->Panel3->cmbHour || other->Panel3->cmbHour->isAncestorOf(focus));
  QCOMPARE(day.table().Pads[1].PadNo, 0);  // nothing written
  QCOMPARE(day.table().Bars[1].TopY, -1);
}

void TestSchedPad::changeKeepsTheMovedPositionAndRestoresRefusedTimes() {
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 30, false});
  pad->btnSaveClick();
  saveDay();
  for (int i = 0; i < 3; ++i) pad->bitMoveDownClick();
  pad->btnReviseClick();
  QCOMPARE(day.table().Pads[0].Top, 271);
  QCOMPARE(day.table().Bars[0].TopY, 240);
  QCOMPARE(platform.sounds.size(), std::size_t(2));

  // End before start: the stored times and bar come back.
  pad->Panel3->cmbHour->setEditText(QStringLiteral("7"));
  pad->btnReviseClick();
  QCOMPARE(platform.messages.back().text, std::string(kRefusedRevise));
  QCOMPARE(day.table().Pads[0].EndHour, 9);
  QCOMPARE(pad->Panel3->cmbHour->currentText(), QStringLiteral("9"));
  QCOMPARE(bytesOf(day.table().Bars[0]), bytesOf(day.image().Bars[0]));
  QCOMPARE(platform.sounds.size(), std::size_t(2));

  // A pad not yet in the file gets back its own last accepted times and
  // bar, whatever the saved day holds in its slot.
  saveDay();
  TSchedPadFrame* fresh = makePad(2, {1, 0, true}, {2, 0, true});
  fresh->btnSaveClick();
  const QByteArray accepted = bytesOf(day.table().Bars[1]);
  fresh->Panel2->cmbHour->setEditText(QStringLiteral("3"));
  fresh->btnReviseClick();
  QCOMPARE(bytesOf(day.table().Bars[1]), accepted);
  QCOMPARE(day.table().Pads[1].StartHour, 1);
  QCOMPARE(fresh->Panel2->cmbHour->currentText(), QStringLiteral("1"));
  QCOMPARE(CountPads(day.table().Bars), 2);

  // A non-integer hour in a change keeps the stored bar.
  fresh->Panel2->cmbHour->setEditText(QStringLiteral("x"));
  fresh->btnReviseClick();
  QCOMPARE(bytesOf(day.table().Bars[1]), accepted);
}

void TestSchedPad::minuteBoxesWrapWithinTheHour() {
  TSchedPadFrame* pad = makePad(1, {8, 59, false}, {9, 0, false});
  MinuteSpin* start = pad->Panel2->speMinute;
  start->stepUp();
  QCOMPARE(start->value(), 0);
  QCOMPARE(pad->Panel2->cmbHour->currentText(), QStringLiteral("8"));
  start->stepDown();
  QCOMPARE(start->value(), 59);
  pad->Panel3->speMinute->findChild<QLineEdit*>()->clear();
  QCOMPARE(pad->Panel3->speMinute->value(), 59);
  QCOMPARE(pad->Panel3->speMinute->text(), QStringLiteral("59"));

  // Typed numbers out of range stay while the box has the focus; leaving it
  // or Return clamps them, and the wrap follows.
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  MinuteSpin* end = pad->Panel3->speMinute;
  auto retype = [end](const char* keys) {
    end->setFocus();
    QTest::keyClick(end, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(end, QString::fromLatin1(keys));
  };
  retype("90");
  QCOMPARE(end->text(), QStringLiteral("90"));
  pad->edtPadNo->setFocus();
  QCOMPARE(end->value(), 0);
  QCOMPARE(end->text(), QStringLiteral("0"));
  retype("10");
  QTest::keyClick(end, Qt::Key_Home);
  QTest::keyClick(end, Qt::Key_Minus);  // in front: a lone "-" would wrap at once
  QCOMPARE(end->text(), QStringLiteral("-10"));
  pad->edtPadNo->setFocus();
  QCOMPARE(end->value(), 59);
  retype("75");
  QTest::keyClick(end, Qt::Key_Return);
  QCOMPARE(end->text(), QStringLiteral("0"));
  retype("30");  // in range: taken as typed
  pad->edtPadNo->setFocus();
  QCOMPARE(end->value(), 30);
}

void TestSchedPad::focusMarksThePadAndNamesTheSelection() {
  QWidget other(container);
  other.setFocusPolicy(Qt::StrongFocus);
  other.show();
  TSchedPadFrame* one = makePad(1, {8, 0, false}, {9, 0, false});
  TSchedPadFrame* two = makePad(2, {10, 0, false}, {11, 0, false});
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  one->setFocus();
  QCOMPARE(one->pnlPMenu->text(), QStringLiteral("◆"));
  QCOMPARE(day.selectedPad(), 0);
  QTest::mouseClick(two->pnlPMenu, Qt::LeftButton);
  QCOMPARE(two->pnlPMenu->text(), QStringLiteral("◆"));
  QCOMPARE(one->pnlPMenu->text(), QString());
  QCOMPARE(day.selectedPad(), 1);
  other.setFocus();  // a main-window button takes the focus
  QCOMPARE(two->pnlPMenu->text(), QString());
  QCOMPARE(day.selectedPad(), 1);
}

// A screen reader walks a time row as its three boxes, each named for what
// it sets; the row's one-character captions are no controls of their own.
void TestSchedPad::timeRowsReadAsTheirNamedBoxesOnly() {
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 0, false});
  using Box = std::pair<QAccessible::Role, QString>;
  const struct {
    TimeRow* row;
    QList<Box> boxes;
  } rows[] = {
      {pad->Panel2,
       {{QAccessible::ComboBox, "開始時刻(時): 8"}, {QAccessible::SpinBox, "開始時刻(分)"},
        {QAccessible::CheckBox, "開始時刻は午後"}}},
      {pad->Panel3,
       {{QAccessible::ComboBox, "終了時刻(時): 9"}, {QAccessible::SpinBox, "終了時刻(分)"},
        {QAccessible::CheckBox, "終了時刻は午後"}}},
  };
  for (const auto& r : rows) {
    QAccessibleInterface* row = QAccessible::queryAccessibleInterface(r.row);
    QVERIFY(row);
    QList<Box> boxes;
    for (int i = 0; i < row->childCount(); ++i) {
      QAccessibleInterface* box = row->child(i);
      // Qt would read a combo box by its text alone; it reads "name: text",
      // and its editor, which takes the focus, carries the name too.
      if (auto* combo = qobject_cast<QComboBox*>(box->object()))
        QCOMPARE(QAccessible::queryAccessibleInterface(combo->lineEdit())->text(QAccessible::Name),
                 box->text(QAccessible::Name).section(QLatin1Char(':'), 0, 0));
      boxes << Box{box->role(), box->text(QAccessible::Name)};
    }
    QCOMPARE(boxes, r.boxes);
  }
}

void TestSchedPad::dropDownOffersTheListAndKeepsTheText() {
  lists.entries.KeywordEntries[2].setText("散歩");
  lists.entries.KeywordEntries[5].setText("読書");
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 0, false});
  pad->cmbKeyword->setEditText(QStringLiteral("手入力"));
  pad->cmbKeyword->showPopup();
  QStringList items;
  for (int i = 0; i < pad->cmbKeyword->count(); ++i) items << pad->cmbKeyword->itemText(i);
  QCOMPARE(items, (QStringList{QStringLiteral("キーワード"), QStringLiteral("散歩"), QStringLiteral("読書")}));
  QCOMPARE(pad->cmbKeyword->currentText(), QStringLiteral("手入力"));
  // The list, made at the first drop-down, has the box's 13-pixel font.
  QCOMPARE(pad->cmbKeyword->view()->font().pixelSize(), 13);
  pad->cmbKeyword->hidePopup();

  // Typing completes from the list once the box has the focus.
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  pad->cmbKeyword->setFocus();
  pad->cmbKeyword->lineEdit()->clear();
  QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("読"));
  QApplication::sendEvent(pad->cmbKeyword, &typed);
  QCOMPARE(pad->cmbKeyword->currentText(), QStringLiteral("読書"));
}

void TestSchedPad::coloursFromFilesAreKeptAndTextsFitTheirFields() {
  PadRecord rec;
  std::memset(&rec, 0, sizeof rec);
  clearPad(rec);
  rec.PadNo = 1, rec.Left = 4, rec.Top = 241, rec.StartHour = 8, rec.EndHour = 9;
  rec.StartMinute = rec.EndMinute = 0;
  rec.Color = 0x00123456;  // in no list
  auto* pad = new TSchedPadFrame(*ctx, container);
  pad->showRecord(0, rec);
  QCOMPARE(pad->cmbKeyword->currentText(), QStringLiteral("キーワード"));
  QVERIFY(!pad->btnSave->isEnabled());
  pad->btnReviseClick();
  QCOMPARE(day.table().Pads[0].Color, 0x00123456);
  QCOMPARE(day.table().Bars[0].Color, 0x00123456);

  // Typed text is held to the field's bytes, not characters.
  const QValidator* v = pad->cmbKeyword->lineEdit()->validator();
  QString fits = QString(15, QChar(0x3042)) + QLatin1Char('x');  // 31 bytes
  QString over = QString(16, QChar(0x3042));                     // 32 bytes
  int pos = 0;
  QCOMPARE(v->validate(fits, pos), QValidator::Acceptable);
  QCOMPARE(v->validate(over, pos), QValidator::Invalid);
}

// The arrows read one picture size when drawn; they must look exactly as
// an icon holding every size would.
void TestSchedPad::arrowsAreQtsPicturesAtEveryScaleAndMode() {
  auto* pad = new TSchedPadFrame(*ctx, container);
  const struct {
    QPushButton* button;
    const char* name;
  } arrows[] = {{pad->bitMoveUp, "up"}, {pad->bitMoveDown, "down"}};
  for (const auto& a : arrows) {
    QIcon whole;
    for (int size : {16, 32, 128})
      whole.addFile(QStringLiteral(":/qt-project.org/styles/commonstyle/images/%1-%2.png")
                        .arg(QLatin1String(a.name))
                        .arg(size),
                    QSize(size, size));
    const QIcon shown = a.button->icon();
    for (qreal dpr : {1.0, 1.5, 2.0, 3.0, 10.0})
      for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active}) {
        const QSize size = a.button->iconSize();
        QCOMPARE(shown.pixmap(size, dpr, mode).toImage(), whole.pixmap(size, dpr, mode).toImage());
        QCOMPARE(shown.actualSize(QSize(20, 24), mode), whole.actualSize(QSize(20, 24), mode));
      }
  }
}

// A one-line field stores no control bytes and nothing Shift-JIS cannot
// hold, whatever the clipboard held.
void TestSchedPad::pastedTextIsWhatTheFieldHolds() {
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 0, false});
  const struct {
    ListCombo* box;
    const char* pasted;
    const char* stored;
  } rows[] = {
      {pad->cmbKeyword, "café♥", "caf"},  // what Shift-JIS cannot hold never goes in
      {pad->cmbContent, "♥", ""},
      {pad->cmbKeyword, "会議\r\n資料", "会議 資料"},
      {pad->cmbContent, "a\tb\nc\rd", "a b c d"},
  };
  for (const auto& row : rows) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8(row.pasted));
    row.box->lineEdit()->clear();
    row.box->lineEdit()->paste();
    QCOMPARE(row.box->currentText(), QString::fromUtf8(row.stored));
  }
  pad->btnSaveClick();
  QCOMPARE(day.table().Pads[0].Keyword.text(), std::string("会議 資料"));
  QCOMPARE(day.table().Pads[0].Content.text(), std::string("a b c d"));
}

// "一時保存" pressed from the keyboard disables itself: the focus goes on
// to "変更" of the same pad, not to the timeline behind it.
void TestSchedPad::keyboardSaveKeepsTheFocusInThePad() {
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 0, false});
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  pad->btnSave->setFocus(Qt::TabFocusReason);
  QTest::keyClick(pad->btnSave, Qt::Key_Space);
  QVERIFY(!pad->btnSave->isEnabled());
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(pad->btnRevise));
  QCOMPARE(pad->pnlPMenu->text(), QStringLiteral("◆"));
}

// F6 or a click on its edge focuses a pad that another one covers: it comes
// to the front. A screen reader hears the keyword and the mark.
void TestSchedPad::focusedPadComesToTheFrontAndTheTreeReadsIt() {
  TSchedPadFrame* under = makePad(1, {8, 0, false}, {9, 0, false});
  TSchedPadFrame* over = makePad(2, {8, 20, false}, {9, 0, false});
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  const QPoint shared = under->geometry().intersected(over->geometry()).center();
  auto padOnTop = [&] {
    QWidget* w = container->childAt(shared);
    while (w && !qobject_cast<TSchedPadFrame*>(w)) w = w->parentWidget();
    return w;
  };
  // Tab reaches pads: the window may have handed the first one its focus.
  if (QWidget* f = QApplication::focusWidget()) f->clearFocus();
  over->raise();
  QCOMPARE(padOnTop(), over);
  under->cmbKeyword->setEditText(QStringLiteral("会議"));
  under->setFocus(Qt::ShortcutFocusReason);
  QCOMPARE(padOnTop(), under);
  QCOMPARE(under->accessibleName(), QStringLiteral("スケジュール・パッド 1, 会議, 8:00 から 9:00, ◆ 選択中"));
  QCOMPARE(under->pnlPMenu->accessibleName(), QStringLiteral("マークパネル ◆"));
  QCOMPARE(over->accessibleName(), QStringLiteral("スケジュール・パッド 2, 8:20 から 9:00"));  // no placeholder
  over->setFocus();
  QCOMPARE(under->accessibleName(), QStringLiteral("スケジュール・パッド 1, 会議, 8:00 から 9:00"));
  QCOMPARE(under->pnlPMenu->accessibleName(), QStringLiteral("マークパネル"));
  // Lists that cannot be typed into are named by what they set.
  under->colorBox->setColor(0x0000FF);
  QAccessibleInterface* colour = QAccessible::queryAccessibleInterface(under->colorBox);
  QCOMPARE(colour->text(QAccessible::Name), QStringLiteral("色: 赤"));
  QCOMPARE(colour->text(QAccessible::Value), QStringLiteral("赤"));
  QCOMPARE(colour->child(0)->object(), under->colorBox->view());  // the items stay reachable
}

// A right click on the mark panel opens the pad's menu; the focus, the mark
// and the selected pad stay where they were.
void TestSchedPad::rightClickOnTheMarkLeavesTheFocus() {
  TSchedPadFrame* one = makePad(1, {8, 0, false}, {9, 0, false});
  TSchedPadFrame* two = makePad(2, {10, 0, false}, {11, 0, false});
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  one->cmbKeyword->setFocus();
  QCOMPARE(day.selectedPad(), 0);
  // Through the window, as a real press arrives.
  const QPoint at = two->pnlPMenu->mapTo(container, two->pnlPMenu->rect().center());
  QTest::mousePress(container->windowHandle(), Qt::RightButton, {}, at);
  QTRY_VERIFY(two->pumPadFrame->isVisible());
  QVERIFY(one->isAncestorOf(QApplication::focusWidget()));
  QCOMPARE(day.selectedPad(), 0);
  QCOMPARE(two->pnlPMenu->text(), QString());
  two->pumPadFrame->hide();
  QTest::mouseRelease(container->windowHandle(), Qt::RightButton, {}, at);
  // A left click still selects the pad.
  QTest::mouseClick(container->windowHandle(), Qt::LeftButton, {}, at);
  QTRY_COMPARE(day.selectedPad(), 1);
}

// The open colour list is wide enough for its longest name.
void TestSchedPad::colourListShowsEveryNameWhole() {
  TSchedPadFrame* pad = makePad(1, {8, 0, false}, {9, 0, false});
  ColorBox* box = pad->colorBox;
  // The list's items need more room than the box's own font tells, as
  // under X with the window's font.
  QFont listFont = box->view()->font();
  listFont.setPixelSize(15);
  box->view()->setFont(listFont);
  box->showPopup();
  QAbstractItemView* view = box->view();
  QTRY_VERIFY(view->isVisible());
  // Painted as menu items: the check column, the swatch, the name, margins.
  const QFontMetrics fm(listFont);
  for (int i = 0; i < box->count(); ++i) {
    const QString name = box->itemText(i);
    QVERIFY2(view->viewport()->width() >= fm.horizontalAdvance(name) + box->iconSize().width() + 20, qPrintable(name));
  }
  box->hidePopup();
}


// A pad nobody works in is painted by the view's likeness: it must show and
// read exactly as the same pad with its controls, and make them at the
// pointer, the focus or a screen reader's question.
void TestSchedPad::paintedPadsLookAndReadAsPadsWithControls() {
  PadRecord plain{};
  plain.PadNo = 1, plain.Left = 4, plain.Top = 241;
  plain.Keyword.setText("会議");
  plain.StartHour = 8, plain.EndHour = 8, plain.EndMinute = 30;
  PadRecord full = plain;
  full.Keyword.setText("とても長いキーワードが欄に収まらない");
  full.Content.setText("週次の進捗確認と来週の予定");
  full.Completed = 1;
  full.Color = 0x123456;  // not a named colour
  full.StartHour = 1, full.StartPM = 1, full.EndHour = 2, full.EndMinute = 45, full.EndPM = 1;
  const struct {
    const char* name;
    std::function<void(TSchedPadFrame&)> show;
  } rows[] = {
      {"stored", [&](TSchedPadFrame& p) { p.showRecord(0, plain); }},
      {"stored, custom colour, completed, long texts", [&](TSchedPadFrame& p) { p.showRecord(0, full); }},
      {"refilled over another record", [&](TSchedPadFrame& p) {
         p.showRecord(0, full);
         p.reset();
         p.showRecord(0, plain);
       }},
      {"just dragged", [&](TSchedPadFrame& p) { p.showNew(1, {8, 0, false}, {9, 30, false}, 351, 241); }},
      {"moved in time", [&](TSchedPadFrame& p) {
         p.showRecord(0, plain);
         PadRecord later = plain;
         later.StartMinute = 5, later.EndMinute = 35, later.Top = 251;
         p.showTimes(later);
       }},
  };
  for (const auto& row : rows) {
    auto* painted = new TSchedPadFrame(*ctx, container);
    auto* made = new TSchedPadFrame(*ctx, container);
    made->makeControls();
    for (TSchedPadFrame* p : {painted, made}) {
      row.show(*p);
      p->show();
    }
    QVERIFY2(!painted->hasControls(), row.name);
    QCOMPARE(painted->accessibleName(), made->accessibleName());
    QCOMPARE(painted->hasEdits(), made->hasEdits());
    QCOMPARE(painted->entry().keyword, made->entry().keyword);
    QCOMPARE(painted->typedState().fresh, made->typedState().fresh);
    QCOMPARE(painted->grab().toImage(), made->grab().toImage());
    QVERIFY2(!painted->hasControls(), row.name);
    delete painted;
    delete made;
  }

  // What makes the controls: the pointer, the focus, a screen reader.
  TSchedPadFrame* pointed = makePad(1, {8, 0, false}, {9, 0, false});
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(pointed, &enter);
  QVERIFY(pointed->hasControls());
  TSchedPadFrame* focused = makePad(2, {8, 0, false}, {9, 0, false});
  container->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(container));
  focused->setFocus(Qt::ShortcutFocusReason);
  QVERIFY(focused->hasControls());
  QCOMPARE(focused->pnlPMenu->text(), QStringLiteral("◆"));
  TSchedPadFrame* read = makePad(3, {8, 0, false}, {9, 0, false});
  QAccessibleInterface* node = QAccessible::queryAccessibleInterface(read);
  QCOMPARE(node->role(), QAccessible::Border);
  QVERIFY(!read->hasControls());
  QVERIFY(node->childCount() > 0);
  QVERIFY(read->hasControls());
  QCOMPARE(node->child(0)->object(), static_cast<QObject*>(read->Panel1));
}

QTEST_MAIN(TestSchedPad)
#include "tst_schedpad.moc"
