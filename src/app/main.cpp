#include <QApplication>
#include <QSessionManager>
#include <QSettings>
#include <QTimer>
#include <cerrno>

#include "appsetup.h"
#include "datafolder.h"
#include "endsignals.h"
#include "fileio.h"
#include "folderlock.h"
#include "frmmain.h"
#include "pathbytes.h"
#include "qtplatform.h"
#include "plannerreminders.h"
#include "sessionbus.h"
#include "singleinstance.h"

namespace {
const char* const kNoFolder = "プログラムのフォルダーが分かりません.\r\n\r\n[プランドール]の起動を中止します.";
const char* const kNoAnswer =
    "このフォルダーのプランドールは既に起動していますが,応答がありません.\r\n\r\n[プランドール]の起動を中止します.";
const char* const kNoLock = "データフォルダー \"%s\" をロックできません.\r\n\r\n";
const char* const kNoLockRunning =
    "このフォルダーで別のプランドールが起動しても, 検出できません. 同じデータフォルダーで2つ同時に使わないでください.";
const char* const kNoDataFolder = "データフォルダーの作成に失敗しました.\r\n\r\n";
const char* const kStop = "\r\n\r\n[プランドール]の起動を中止します.";
}  // namespace

int main(int argc, char** argv) {
  // Before Qt looks for the bus: never start one, never wait for a hung one.
  plandor::settleSessionBus();
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("plandor"));
  plandor::setUpApplication(app);

  plandor::QtPlatform platform;

  // The folder as bytes: its name need not be UTF-8, nor anything Qt can hold.
  const std::optional<std::string> folder = plandor::executableFolder();
  if (!folder) {
    platform.message(kNoFolder, "");
    return 1;
  }
  std::string failed;
  const std::optional<std::string> data = plandor::chooseDataFolder(*folder, &failed);
  if (!data) {
    platform.message(kNoDataFolder + plandor::shownText(failed) + kStop, "");
    return 1;
  }
  // One copy per data folder, before anything in it is read: installed
  // copies of the program share one.
  plandor::FolderLock lock(*data);
  if (lock.state() == plandor::FolderLock::State::Failed) {
    std::string text = kNoLock;
    text.replace(text.find("%s"), 2, plandor::shownText(*data));
    platform.message(text + plandor::errorReason(lock.error()) + kStop, "");
    return 1;
  }
  const bool unlocked = lock.state() == plandor::FolderLock::State::Unavailable;
  plandor::SingleInstance single(*data);
  // Started from a reminder of plandor-remind: a running copy opens its pad.
  QString reminder;
  for (const QString& a : app.arguments())
    if (a.startsWith(QLatin1String("--reminder="))) reminder = a;
  single.setRequest(reminder.toStdString());
  switch (unlocked ? single.claimWithoutLock() : single.claim(lock.state() == plandor::FolderLock::State::Held)) {
    case plandor::SingleInstance::Claim::First:
      break;
    case plandor::SingleInstance::Claim::Raised:
      return 0;
    case plandor::SingleInstance::Claim::NoAnswer:
      platform.message(kNoAnswer, "");
      return 1;
  }

  // Qt's own dialogs would keep their state (the open dialog's view) in a
  // settings file written through links and beside the user's files; the
  // program keeps none. No folder can ever be made under /dev/null, so
  // Qt's write fails quietly and nothing reaches the disk.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("/dev/null"));
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("/dev/null"));

  plandor::PlannerState state;
  state.DataFolder = *data;
  state.ProgramFolder = *folder;
  plandor::TfrmMain frmMain(state, platform);
  if (!frmMain.started()) return 1;
  QObject::connect(&single, &plandor::SingleInstance::raiseRequested, &frmMain, [&frmMain](const QString& asked) {
    frmMain.comeForward();
    if (!asked.isEmpty() && frmMain.reminders()) frmMain.reminders()->openReminder(asked);
  });
  // Never blocks the end of the session: unsaved work goes to the recovery file.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &frmMain,
                   [&frmMain](QSessionManager&) { frmMain.sessionEnding(); });
  // Told to end, or the display gone: the work on screen goes to the
  // recovery file before the program ends.
  plandor::EndSignals ending([&frmMain] { frmMain.keepWorkNow(); });
  frmMain.show();
  // Started from a reminder of plandor-remind: today, with its pad.
  if (!reminder.isEmpty() && frmMain.reminders())
    QTimer::singleShot(0, &frmMain, [&frmMain, reminder] { frmMain.reminders()->openReminder(reminder); });
  if (unlocked) {
    std::string text = kNoLock;
    text.replace(text.find("%s"), 2, plandor::shownText(*data));
    const std::string reason = lock.error() == ENOLCK ? "ファイルシステムがロックに対応していません (No locks available)"
                                                       : plandor::errorReason(lock.error());
    platform.message(text + kNoLockRunning + "\r\n\r\n" + reason, "");
  }
  return app.exec();
}
