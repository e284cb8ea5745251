#include "platform.h"

#include "fileio.h"

namespace plandor {

const char* const kChangedFileText = "このファイルは開いた後で他のプログラムによって変更されています.";

void PlaySaveSound(Platform& platform, const std::string& programFolder) {
  const std::string path = programFolder + "/Shutter.wav";
  // Only a regular file: a FIFO there would hold the player, and the end of
  // the program, for good.
  if (isRegularFile(path)) {
    platform.playSound(path);
    return;
  }
  if (platform.soundProblemTold) return;
  platform.soundProblemTold = true;
  if (fileExists(path))
    platform.errorBox("サウンドファイル \"" + path + "\" を再生できません.\r\n\r\n" + errorReason(kNotRegularFile));
  else
    platform.message("[プランドール] インストールフォルダー内に\r\n\r\nサウンドファイル [Shutter.wav] が存在しません",
                     "ファイルが存在しません");
}

bool saveCopyBeside(Platform& platform, const std::string& path,
                    const std::function<IoResult(std::string& copyPath)>& saveCopy) {
  const LocalDateTime t = platform.now();
  std::string copy = changedCopyPath(path, t.date.year, t.date.month, t.date.day, t.hour, t.minute);
  const IoResult c = saveCopy(copy);
  if (!c.written())
    platform.errorBox(c.message());
  else
    platform.message("ファイル \"" + copy + "\" に保存しました." + (c.ok() ? "" : "\r\n\r\n" + c.message()));
  return c.written();
}

std::optional<IoResult> saveMindingChanges(Platform& platform, const std::string& path,
                                           const std::function<IoResult(bool overwriteChanged)>& save,
                                           const std::function<IoResult(std::string& copyPath)>& saveCopy) {
  const IoResult r = save(false);
  if (r.op != IoResult::Op::Changed) return r;
  switch (platform.ask(kChangedFileText, {"上書き保存", "別名で保存", "キャンセル"}, 2, 2)) {
    case 0:
      return save(true);
    case 1:
      saveCopyBeside(platform, path, saveCopy);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

}  // namespace plandor
