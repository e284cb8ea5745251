#include "fileio.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plandor {
namespace {

SaveStepHook g_saveStepHook = nullptr;

void step(const char* name) {
  if (g_saveStepHook) g_saveStepHook(name);
}

// Why the file may not be written, or 0. The owner's write bit counts: root
// may open any file for writing, yet a file the user made read-only must
// stay untouched. Otherwise the system's own reason (EROFS, EACCES) is kept.
int writeRefusal(const struct stat& st, const std::string& path) {
  if ((st.st_mode & S_IWUSR) == 0) return EACCES;
  return ::access(path.c_str(), W_OK) == 0 ? 0 : errno;
}

std::string folderOf(const std::string& path) {
  auto pos = path.find_last_of('/');
  if (pos == std::string::npos) return ".";
  if (pos == 0) return "/";
  return path.substr(0, pos);
}

std::string nameOf(const std::string& path) {
  auto pos = path.find_last_of('/');
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

bool writeAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (w == 0) {
      errno = EIO;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
  }
  return true;
}

}  // namespace

std::string errorReason(int error) {
  if (error == kNotRegularFile) return "通常のファイルではありません (名前付きパイプ、デバイスなど)";
  if (error == kChangedWhileRead) return "読み込み中にファイルが短くなりました";
  if (error == kNotOurFormat) return "ファイルの内容が正しくありません (壊れているか, 別の形式です)";
  const char* ja = nullptr;
  switch (error) {
    case ENOENT: ja = "指定されたファイルまたはフォルダーが見つかりません"; break;
    case EACCES:
    case EPERM: ja = "アクセスが拒否されました"; break;
    case EROFS: ja = "読み取り専用のファイルシステムです"; break;
    case ENOSPC: ja = "ディスクの空き容量が不足しています"; break;
    case EDQUOT: ja = "ディスクの使用量の制限を超えました"; break;
    case EISDIR: ja = "同じ名前のフォルダーがあります"; break;
    case ENOTDIR: ja = "パスの途中がフォルダーではありません"; break;
    case EIO: ja = "入出力エラーが発生しました"; break;
    case ENAMETOOLONG: ja = "パスが長すぎます"; break;
    case EEXIST: ja = "同じ名前のファイルがあります"; break;
    case ENOSYS: ja = "この操作はファイルシステムが対応していません"; break;
    case EOPNOTSUPP: ja = "この操作はサポートされていません"; break;
    case EINVAL: ja = "この操作はこのファイルには行えません"; break;
    case ELOOP: ja = "シンボリックリンクの参照が多すぎるか, 循環しています"; break;
    case EMFILE:
    case ENFILE: ja = "開いているファイルが多すぎます"; break;
    case ENOMEM: ja = "メモリが不足しています"; break;
    case EFBIG: ja = "ファイルが大きすぎます"; break;
    case EOVERFLOW: ja = "ファイルの大きさを扱えません"; break;
    case EBUSY:
    case ETXTBSY: ja = "ファイルまたはフォルダーが使用中です"; break;
    case EAGAIN: ja = "一時的に利用できません. しばらくしてからやり直してください"; break;
    case EINTR: ja = "処理が中断されました"; break;
    case EXDEV: ja = "別のドライブへは移動できません"; break;
    case ENOTEMPTY: ja = "フォルダーが空ではありません"; break;
    case EMLINK: ja = "リンクが多すぎます"; break;
    case ENXIO:
    case ENODEV: ja = "デバイスが見つかりません"; break;
    case ESTALE: ja = "ネットワーク上のファイルが無効になりました"; break;
    case ENOTCONN: ja = "ドライブとの接続が切れています"; break;
    case ETIMEDOUT: ja = "接続がタイムアウトしました"; break;
    case EBADF: ja = "ファイルの参照が無効です"; break;
    default: break;
  }
  std::string sys = std::strerror(error);
  if (!ja) return "予期しないエラーが発生しました (エラー番号 " + std::to_string(error) + ": " + sys + ")";
  return std::string(ja) + " (" + sys + ")";
}

std::string IoResult::message() const {
  const char* what = "";
  switch (op) {
    case Op::None: return {};
    case Op::Open: what = "を開けません."; break;
    case Op::Create: what = "を作成できません."; break;
    case Op::Write: what = "に書き込めません."; break;
    case Op::Overwrite: what = "は読み込めなかったため, 保存しません (上書きすると元の内容が失われます)."; break;
    case Op::Sync: what = "を保存しましたが, ディスクに書き込まれたかを確認できません."; break;
  }
  return "ファイル \"" + path + "\" " + what + "\r\n\r\n" + errorReason(error);
}

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool fileMissing(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool folderExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

IoResult createFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0 && !(errno == EEXIST && folderExists(path)))
    return IoResult::failure(IoResult::Op::Create, path, errno);
  return IoResult::success();
}

IoResult readFileStart(const std::string& path, void* buffer, std::size_t capacity, std::size_t* got,
                       bool needWritable) {
  *got = 0;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return IoResult::failure(IoResult::Op::Open, path, errno);
  auto refusal = [&](const struct stat& s) {
    return S_ISDIR(s.st_mode) ? EISDIR : !S_ISREG(s.st_mode) ? kNotRegularFile : 0;
  };
  if (int e = refusal(st)) return IoResult::failure(IoResult::Op::Open, path, e);
  // Non-blocking, in case a FIFO took the file's place since the check.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return IoResult::failure(IoResult::Op::Open, path, errno);
  auto fail = [&](int e) {
    ::close(fd);
    return IoResult::failure(IoResult::Op::Open, path, e);
  };
  if (::fstat(fd, &st) != 0) return fail(errno);
  int refuse = refusal(st);
  if (!refuse && needWritable) refuse = writeRefusal(st, path);
  if (refuse) return fail(refuse);
  if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return fail(errno);
  auto* p = static_cast<char*>(buffer);
  while (*got < capacity) {
    ssize_t r = ::read(fd, p + *got, capacity - *got);
    if (r < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (r == 0) break;
    *got += static_cast<std::size_t>(r);
  }
  // A short read of a file that was longer when opened is a torn read, not
  // a short file.
  if (st.st_size > 0 && *got < capacity && *got < static_cast<std::size_t>(st.st_size)) return fail(kChangedWhileRead);
  ::close(fd);
  return IoResult::success();
}

std::string saveTarget(const std::string& path) {
  std::string p = path;
  // As many hops as the kernel follows; a longer chain fails with ELOOP later.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(p.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) break;
    target.resize(static_cast<std::size_t>(n));
    p = target[0] == '/' ? target : folderOf(p) + "/" + target;
  }
  return p;
}

namespace {

// A file system without permission bits (FAT, some FUSE mounts and shares)
// cannot take the old file's mode; the bytes still have to be saved.
bool modeUnsupported(int error) { return error == ENOSYS || error == EPERM || error == EOPNOTSUPP; }

// A file system that cannot sync folders keeps renames as well as it can.
bool folderSyncUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

}  // namespace

IoResult writeFileAtomic(const std::string& path, const void* data, std::size_t size, bool mustExist) {
  using Op = IoResult::Op;
  // The file is replaced where a link points; the link itself stays.
  const std::string target = saveTarget(path);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return IoResult::failure(Op::Open, path, errno);
  if (!exists && mustExist) return IoResult::failure(Op::Open, path, ENOENT);
  if (exists && S_ISDIR(st.st_mode)) return IoResult::failure(Op::Open, path, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) return IoResult::failure(Op::Open, path, kNotRegularFile);
  if (int e = exists ? writeRefusal(st, target) : 0) return IoResult::failure(Op::Open, path, e);
  const Op failOp = exists ? Op::Write : Op::Create;

  const std::string folder = folderOf(target);
  std::string tmp = folder + "/." + nameOf(target) + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return IoResult::failure(failOp, path, errno);

  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  auto fail = [&](int e) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  };
  if (::fchmod(fd, mode) != 0 && !modeUnsupported(errno)) return fail(errno);
  if (!writeAll(fd, static_cast<const char*>(data), size)) return fail(errno);
  step("written");
  if (::fsync(fd) != 0) return fail(errno);
  step("synced");
  if (::close(fd) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  }
  if (::rename(tmp.c_str(), target.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  }
  step("renamed");
  // Make the new name itself durable; the file is in place either way.
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return IoResult::failure(Op::Sync, path, errno);
  const int synced = ::fsync(dfd);
  const int e = errno;
  ::close(dfd);
  if (synced != 0 && !folderSyncUnsupported(e)) return IoResult::failure(Op::Sync, path, e);
  return IoResult::success();
}

namespace {

void removeIn(const std::string& folder, const std::function<bool(const std::string&)>& isOurs) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* e = ::readdir(dir)) {
    // ".<name>.XXXXXX": mkstemp puts six letters or digits after the dot.
    const std::string entry = e->d_name;
    if (entry.size() < 9 || entry[0] != '.' || entry[entry.size() - 7] != '.') continue;
    bool random = true;
    for (std::size_t i = entry.size() - 6; i < entry.size(); ++i)
      random = random && std::isalnum(static_cast<unsigned char>(entry[i]));
    if (random && isOurs(entry.substr(1, entry.size() - 8))) ::unlinkat(::dirfd(dir), entry.c_str(), 0);
  }
  ::closedir(dir);
}

}  // namespace

void removeStaleTemporaries(const std::string& folder, const std::function<bool(const std::string&)>& isOurs) {
  removeIn(folder, isOurs);
}

void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names) {
  removeIn(folder, [&](const std::string& name) {
    for (const std::string& n : names)
      if (n == name) return true;
    return false;
  });
  // A linked file is saved beside its target.
  for (const std::string& n : names) {
    const std::string path = folder + "/" + n;
    const std::string target = saveTarget(path);
    if (target != path) {
      const std::string targetName = nameOf(target);
      removeIn(folderOf(target), [&](const std::string& name) { return name == targetName; });
    }
  }
}

void setSaveStepHook(SaveStepHook hook) { g_saveStepHook = hook; }

}  // namespace plandor
