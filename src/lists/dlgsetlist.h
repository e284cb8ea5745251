#pragma once
// The list settings dialog: the four suggestion lists on four tabs, saved
// to the list file on request.
#include <QDialog>
#include <array>

#include "listfile.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace plandor {

class Platform;

// One tab: an entry box, the list and its buttons. The four tabs are this
// one piece with other captions, capacities and limits.
class ListTab final : public QWidget {
  Q_OBJECT
 public:
  struct Texts {
    const char* group;
    const char* entryLabel;
    const char* entryHint;
    const char* appendHint;
    const char* listLabel;
    const char* listHint;
    const char* limitLabel;
  };
  ListTab(const Texts& texts, int capacity, int limit, const QString& suffix, QWidget* parent = nullptr);

  void setItems(const std::vector<std::string>& items);
  QStringList items() const;

  void btnAppendClick();
  void btnDeleteClick();
  void btnClearClick();
  void BitBtnUpClick();
  void BitBtnDownClick();
  void TabSheetEnter();

  QLineEdit* edit;
  QListWidget* list;
  QPushButton *btnAppend, *btnDelete, *btnClear, *BitBtnUp, *BitBtnDown;

 private:
  void swapWith(int offset);
  // Delete in the list: the entry goes, its neighbour is selected.
  void deleteFromList();
  int limit_;
};

class TdlgSetList final : public QDialog {
  Q_OBJECT
 public:
  TdlgSetList(ListStore& lists, Platform& platform, QWidget* parent = nullptr);
  ~TdlgSetList() override;

  void btnSaveEntriesClick();

  QTabWidget* PageControl1;
  std::array<ListTab*, 4> tabs;
  QPushButton* btnSaveEntries;
  QPushButton* btnCloseSLDlg;

 protected:
  void showEvent(QShowEvent* e) override;

 private:
  void focusChanged(QWidget* old, QWidget* now);
  ListStore& lists_;
  Platform& platform_;
};

}  // namespace plandor
