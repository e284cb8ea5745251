#include "platform.h"

#include "fileio.h"

namespace plandor {

void PlaySaveSound(Platform& platform, const std::string& programFolder) {
  const std::string path = programFolder + "/Shutter.wav";
  if (fileExists(path))
    platform.playSound(path);
  else
    platform.message("[プランドール] インストールフォルダー内に\r\n\r\nサウンドファイル [Shutter.wav] が存在しません",
                     "ファイルが存在しません");
}

}  // namespace plandor
