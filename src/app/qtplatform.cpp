#include "qtplatform.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QComboBox>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QSortFilterProxyModel>
#include <QMessageBox>
#include <QPushButton>

#include "datepicker.h"
#include "fileio.h"
#include "helpwindow.h"
#include "pathbytes.h"

namespace plandor {
namespace {

// Messages may name paths, whose bytes need not be UTF-8.
QString text(const std::string& s) {
  return shownQString(s).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QString title() { return QStringLiteral("プランドール"); }

QWidget* owner() {
  if (QWidget* w = QApplication::activeModalWidget()) return w;
  if (QWidget* w = QApplication::activeWindow()) return w;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("frmMain")) return w;
  return nullptr;
}

// Hides the copies sync tools leave beside a file: they are another
// computer's version, never one of the program's own files.
class HideSyncConflicts final : public QSortFilterProxyModel {
 public:
  using QSortFilterProxyModel::QSortFilterProxyModel;

 protected:
  bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
    const QModelIndex i = sourceModel()->index(row, 0, parent);
    return !isSyncConflictName(fromQtPath(i.data(QFileSystemModel::FileNameRole).toString()));
  }
};

// The dialog's address box names a folder Qt cannot hold by the alias it
// reaches it through ("/proc/self/fd/N/…"); the user reads its own name.
class ShownFolderNames final : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    const QVariant v = QIdentityProxyModel::data(index, role);
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || v.typeId() != QMetaType::QString) return v;
    const QString path = v.toString();
    if (!path.startsWith(QLatin1String("/proc/self/fd/"))) return v;
    return shownQString(fromQtPath(path));
  }
};

// The type column names the program's files itself: asking the MIME
// database about a file it has no name pattern for reads the file and tries
// every content rule, 1.5 M instructions a day file, 40 M for a month.
class DayFileTypes final : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    return info.isFile() ? QStringLiteral("プランドールファイル") : QFileIconProvider::type(info);
  }
};

void showFolderNames(QFileDialog& dialog) {
  auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("lookInCombo"));
  if (!combo || !combo->model()) return;
  // The combo box deletes a model it owns when given another; the dialog
  // still uses that one.
  QAbstractItemModel* urls = combo->model();
  urls->setParent(&dialog);
  auto* shown = new ShownFolderNames(&dialog);
  shown->setSourceModel(urls);
  combo->setModel(shown);
}

}  // namespace

QtPlatform::QtPlatform()
    : sound_(soundModulePath(), [this](const std::string& path) {
        errorBox("サウンドファイル \"" + path + "\" を再生できません.");
      }) {}

QtPlatform::~QtPlatform() { delete help_; }

void QtPlatform::message(const std::string& t, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, caption.empty() ? title() : QString::fromStdString(caption), text(t),
                  QMessageBox::Ok, owner());
  box.exec();
}

void QtPlatform::errorBox(const std::string& t) {
  QMessageBox box(QMessageBox::Critical, title(), text(t), QMessageBox::Ok, owner());
  box.exec();
}

bool QtPlatform::confirm(const std::string& t, int left, int top) {
  QMessageBox box(QMessageBox::Question, title(), text(t), QMessageBox::Ok | QMessageBox::Cancel, owner());
  box.setDefaultButton(QMessageBox::Ok);
  box.move(left, top);
  return box.exec() == QMessageBox::Ok;
}

int QtPlatform::ask(const std::string& t, const std::vector<std::string>& buttons, int defaultButton,
                    int escapeButton) {
  QMessageBox box(QMessageBox::Question, title(), text(t), QMessageBox::NoButton, owner());
  std::vector<QPushButton*> added;
  for (const std::string& caption : buttons)
    added.push_back(box.addButton(QString::fromStdString(caption), QMessageBox::ActionRole));
  box.setDefaultButton(added.at(defaultButton));
  box.setEscapeButton(added.at(escapeButton));
  box.exec();
  for (std::size_t i = 0; i < added.size(); ++i)
    if (box.clickedButton() == added[i]) return static_cast<int>(i);
  return escapeButton;
}

std::optional<LocalDate> QtPlatform::pickDate(const LocalDate& shown, const LocalDate& today,
                                              const std::function<bool(const LocalDate&)>& hasDay) {
  auto qd = [](const LocalDate& d) { return QDate(d.year, d.month, d.day); };
  DatePicker picker(qd(shown), qd(today), [&hasDay](QDate d) { return hasDay({d.year(), d.month(), d.day()}); },
                    owner());
  if (picker.exec() != QDialog::Accepted || !picker.chosen().isValid()) return std::nullopt;
  const QDate d = picker.chosen();
  return LocalDate{d.year(), d.month(), d.day()};
}

std::optional<std::string> QtPlatform::openFile(const std::string& filterText, const std::string& pattern,
                                                const std::string& folder) {
  DayFileTypes types;  // outlives the dialog, which keeps a pointer to it
  QFileDialog dialog(owner());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setIconProvider(&types);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setProxyModel(new HideSyncConflicts(&dialog));
  dialog.setDirectory(toQtPath(folder));
  showFolderNames(dialog);
  // Show the filter as written, but match the pattern in either letter case:
  // files from Windows may be .SDF, ours are .sdf.
  const QString p = QString::fromStdString(pattern);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(QString::fromStdString(filterText) + QStringLiteral(" (") + p.toLower() + QLatin1Char(' ') +
                       p.toUpper() + QLatin1Char(')'));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return fromQtPath(dialog.selectedFiles().first());
}

void QtPlatform::playSound(const std::string& path) { sound_.play(path); }

LocalDateTime QtPlatform::now() {
  const QDateTime t = QDateTime::currentDateTime();
  const QDate d = t.date();
  const QTime c = t.time();
  return {{d.year(), d.month(), d.day()}, c.hour(), c.minute(), c.second()};
}

void QtPlatform::showHelp(const std::string& path) {
  if (!help_) help_ = new HelpWindow;
  if (!help_->open(toQtPath(path))) {
    errorBox(IoResult::failure(IoResult::Op::Open, path, fileExists(path) ? EACCES : ENOENT).message());
    return;
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

}  // namespace plandor
