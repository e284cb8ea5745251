#include "fileio.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <set>
#include <time.h>
#include <unistd.h>

#include "fnv1a.h"

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

// The file at `path` still starts with the record bytes stamped.
bool sameRecord(const std::string& path, const FileStamp& stamp) {
  if (!stamp.present) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  std::string bytes(stamp.length, '\0');
  std::size_t got = 0;
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  while (ok && got < bytes.size()) {
    const ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) ok = false;
    else got += static_cast<std::size_t>(r);
  }
  ::close(fd);
  return ok && fnv1a(bytes) == stamp.digest;
}

struct GuardedFolder {
  std::string path;
  std::uint64_t device = 0, inode = 0;
};
GuardedFolder g_dataFolder;

// Saves under the data folder go only into the folder this copy locked.
bool folderReplaced(const std::string& path) {
  const std::string& f = g_dataFolder.path;
  if (f.empty() || path.size() <= f.size() || path.compare(0, f.size(), f) != 0 || path[f.size()] != '/') return false;
  struct stat st;
  return ::stat(f.c_str(), &st) != 0 || st.st_dev != g_dataFolder.device || st.st_ino != g_dataFolder.inode;
}

}  // namespace

FileStamp stampOf(const struct stat& st) {
  FileStamp s;
  s.known = s.present = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.mtimeSec = st.st_mtim.tv_sec;
  s.mtimeNsec = st.st_mtim.tv_nsec;
  return s;
}

bool sameFile(const FileStamp& a, const FileStamp& b) {
  return a.present == b.present && a.device == b.device && a.inode == b.inode && a.size == b.size &&
         a.mtimeSec == b.mtimeSec && a.mtimeNsec == b.mtimeNsec;
}

void guardDataFolder(const std::string& folder, std::uint64_t device, std::uint64_t inode) {
  g_dataFolder = {folder, device, inode};
}

namespace {

// "X.sdf" as "X" and ".sdf"; a leading dot starts no extension.
std::pair<std::string, std::string> splitExtension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
  return {hasExt ? path.substr(0, dot) : path, hasExt ? path.substr(dot) : ""};
}

// The n-th name for a copy: "X (when).sdf" → "X (when n).sdf", "X.txt" → "X (n).txt".
std::string numberedName(const std::string& path, long n) {
  auto [stem, ext] = splitExtension(path);
  if (!stem.empty() && stem.back() == ')') return stem.substr(0, stem.size() - 1) + " " + std::to_string(n) + ")" + ext;
  return stem + " (" + std::to_string(n) + ")" + ext;
}

}  // namespace

std::string changedCopyPath(const std::string& path, int year, int month, int day, int hour, int minute) {
  const auto [stem, ext] = splitExtension(path);
  char when[40];
  std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d-%02d", year, month, day, hour, minute);
  return stem + " (" + when + ")" + ext;
}

bool isSyncConflictName(const std::string& name) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* mark : {".sync-conflict-", "conflicted copy", "conflict copy", "(conflict", "-conflict-", "_conflict-", "競合"})
    if (lower.find(mark) != std::string::npos) return true;
  return false;
}

std::string errorReason(int error) {
  if (error == kNotRegularFile) return "通常のファイルではありません (名前付きパイプ、デバイスなど)";
  if (error == kChangedWhileRead) return "読み込み中にファイルが短くなりました";
  if (error == kNotOurFormat) return "ファイルの内容が正しくありません (壊れているか, 別の形式です)";
  if (error == kLinkNotFollowed)
    return "シンボリックリンクのため, リンクの先では読み書きしません. リンクはそのまま残します; 不要なら削除してください";
  if (error == kFolderReplaced)
    return "データフォルダーが, プランドールの起動後に別のフォルダーに置き換えられています. プランドールを終了してから起動し直してください";
  const char* ja = nullptr;
  switch (error) {
    case ENOENT: ja = "指定されたファイルまたはフォルダーが見つかりません. 名前と場所を確かめてください"; break;
    case EACCES:
    case EPERM: ja = "アクセスが拒否されました. ファイルとフォルダーのアクセス権を確かめてください"; break;
    case EROFS: ja = "読み取り専用のドライブです. 書き込めるドライブで使ってください"; break;
    case ENOSPC: ja = "ディスクの空き容量が不足しています. 不要なファイルを削除してから, もう一度やり直してください"; break;
    case EDQUOT: ja = "ディスクの使用量の制限を超えました. 不要なファイルを削除してから, もう一度やり直してください"; break;
    case EISDIR: ja = "同じ名前のフォルダーがあります. そのフォルダーの名前を変えるか移動してから, もう一度やり直してください"; break;
    case ENOTDIR: ja = "パスの途中にフォルダーではなくファイルがあります. そのファイルの名前を変えるか移動してください"; break;
    case EIO: ja = "入出力エラーが発生しました. ディスクや接続を確かめてから, もう一度やり直してください"; break;
    case ENAMETOOLONG: ja = "パスが長すぎます"; break;
    case EEXIST: ja = "同じ名前のファイルがあります. その名前を変えてから, もう一度やり直してください"; break;
    case ENOSYS: ja = "この操作はファイルシステムが対応していません"; break;
    case EOPNOTSUPP: ja = "この操作はサポートされていません"; break;
    case EINVAL: ja = "この操作はこのファイルには行えません"; break;
    case ELOOP: ja = "シンボリックリンクの参照が多すぎるか, 循環しています"; break;
    case EMFILE:
    case ENFILE: ja = "開いているファイルが多すぎます. ほかのプログラムを終了してから, もう一度やり直してください"; break;
    case ENOMEM: ja = "メモリーが不足しています. ほかのプログラムを終了してから, もう一度やり直してください"; break;
    case EFBIG: ja = "ファイルが大きすぎます"; break;
    case EOVERFLOW: ja = "ファイルの大きさを扱えません"; break;
    case EBUSY:
    case ETXTBSY: ja = "ファイルまたはフォルダーが使用中です. しばらくしてから, もう一度やり直してください"; break;
    case EAGAIN: ja = "一時的に利用できません. しばらくしてからやり直してください"; break;
    case EINTR: ja = "処理が中断されました"; break;
    case EXDEV: ja = "別のドライブへは移動できません"; break;
    case ENOTEMPTY: ja = "フォルダーが空ではありません"; break;
    case EMLINK: ja = "リンクが多すぎます"; break;
    case ENXIO:
    case ENODEV: ja = "デバイスが見つかりません"; break;
    case ESTALE: ja = "ネットワーク上のファイルが無効になりました. 接続し直してから, もう一度やり直してください"; break;
    case ENOTCONN: ja = "ドライブとの接続が切れています. 接続し直してから, もう一度やり直してください"; break;
    case ETIMEDOUT: ja = "接続がタイムアウトしました"; break;
    case EBADF: ja = "ファイルの参照が無効です"; break;
    default: break;
  }
  // The system's own text (English) only where there is no Japanese one.
  if (!ja)
    return "予期しないエラーが発生しました (エラー番号 " + std::to_string(error) + ": " + std::strerror(error) + ")";
  return ja;
}

std::string IoResult::message() const {
  const char* what = "";
  switch (op) {
    case Op::None: return {};
    case Op::Open: what = "を開けません."; break;
    case Op::Create:
    case Op::Folder: what = "を作成できません."; break;
    case Op::Write: what = "に書き込めません."; break;
    case Op::Overwrite: what = "は読み込めなかったため, 保存しません (上書きすると元の内容が失われます)."; break;
    case Op::Sync: what = "を保存しましたが, ディスクに書き込まれたかを確認できません."; break;
    case Op::Changed: what = "は開いた後で他のプログラムによって変更されているため, 保存しません."; break;
    case Op::Split:
      return "ファイル \"" + path + "\" を保存しました.\r\n\r\nこのファイルには別の名前 (ハードリンク) があり, "
             "そちらは保存前の内容のままです.";
    case Op::Attributes:
      return "ファイル \"" + path + "\" を保存しましたが, アクセス制御リスト (ACL) や拡張属性の一部を引き継げませんでした.\r\n\r\n" +
             errorReason(error);
  }
  return "ファイル \"" + path + "\" " + what + "\r\n\r\n" + errorReason(error);
}

bool mayGoBeside(const IoResult& r) {
  if (r.op == IoResult::Op::Overwrite) return true;
  return r.op != IoResult::Op::Folder && (r.error == EACCES || r.error == EROFS || r.error == EPERM);
}

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
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
  if (::mkdir(path.c_str(), 0777) != 0) {
    if (errno == EEXIST && folderExists(path)) return IoResult::success();
    return IoResult::failure(IoResult::Op::Folder, path, errno);
  }
  // A month folder root makes in another user's folder stays that user's,
  // or their next start could not save into it.
  struct stat parent;
  if (::geteuid() == 0 && ::stat(folderOf(path).c_str(), &parent) == 0 && parent.st_uid != 0)
    (void)::chown(path.c_str(), parent.st_uid, parent.st_gid);
  return IoResult::success();
}

IoResult readFileStart(const std::string& path, void* buffer, std::size_t capacity, std::size_t* got,
                       bool needWritable, FileStamp* stamp) {
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
  if (stamp) {
    *stamp = stampOf(st);
    stamp->digest = fnv1a(std::string_view(static_cast<const char*>(buffer), *got));
    stamp->length = *got;
  }
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

// Copies what `from` holds past `offset` to `to`: bytes another tool keeps
// after the record.
bool copyTail(int from, off_t offset, int to) {
  char buf[8192];
  for (;;) {
    const ssize_t r = ::pread(from, buf, sizeof buf, offset);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) return true;
    if (!writeAll(to, buf, static_cast<std::size_t>(r))) return false;
    offset += r;
  }
}

// The new file goes to whoever owned the old one (or, for a file root makes,
// the folder's owner): a save run as root must not lock the user out of
// their own file. Where the system refuses, the group alone may still go.
void giveOwner(int fd, uid_t uid, gid_t gid) {
  if (::fchown(fd, uid, gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), gid);
}

// A temporary for a save of `name` in `folder` that only this call made:
// created exclusively, never through a link planted under its name. Its
// name ends in twelve lowercase hex digits, a shape the clean-up knows.
constexpr std::size_t kTemporaryDigits = 12;
int makeTemporary(const std::string& folder, const std::string& name, std::string* tmp) {
  static unsigned counter = 0;
  for (int tries = 0; tries < 100; ++tries) {
    unsigned char r[kTemporaryDigits / 2];
    if (::getrandom(r, sizeof r, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof r)) {
      const unsigned long long seed = static_cast<unsigned long long>(::time(nullptr)) * 2654435761u + ::getpid() + ++counter * 40503u;
      for (std::size_t i = 0; i < sizeof r; ++i) r[i] = static_cast<unsigned char>(seed >> (8 * i));
    }
    std::string suffix;
    for (unsigned char b : r) suffix += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    *tmp = folder + "/" + temporaryPrefix(name) + suffix;
    const int fd = ::open(tmp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Gives `fd` the extended attributes of the file at `from`, its ACL among
// them (kept as "system.posix_acl_access"), as `cp -a` does. 0, or why one
// could not be given (a file system without them, a name only root sets).
int copyAttributes(const std::string& from, int fd) {
  std::string names(1024, '\0');
  ssize_t n;
  while ((n = ::llistxattr(from.c_str(), names.data(), names.size())) < 0 && errno == ERANGE)
    names.resize(names.size() * 4);
  if (n < 0) return errno == ENOTSUP || errno == ENOSYS ? 0 : errno;  // none to keep
  names.resize(static_cast<std::size_t>(n));
  int lost = 0;
  for (std::size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    std::string value(256, '\0');
    ssize_t v;
    while ((v = ::lgetxattr(from.c_str(), name.c_str(), value.data(), value.size())) < 0 && errno == ERANGE)
      value.resize(value.size() * 4);
    if (v < 0 || ::fsetxattr(fd, name.c_str(), value.data(), static_cast<std::size_t>(v), 0) != 0) {
      // The system labels every new file itself.
      if (name != "security.selinux") lost = errno;
    }
  }
  return lost;
}

// What could not be kept of a file's attributes is told once a file.
std::set<std::string> g_attributesTold;

IoResult attributesResult(const std::string& path, int lost) {
  if (lost == 0 || !g_attributesTold.insert(path).second) return IoResult::success();
  return IoResult::failure(IoResult::Op::Attributes, path, lost);
}

// Gives the new file `fd` the mode, owner and group of the file it replaces
// (`old`), or for a new file the mode the umask allows, and when root makes
// it in another user's folder, that user's ownership.
int takeOver(int fd, const struct stat* old, const std::string& folder) {
  mode_t mode;
  if (old) {
    mode = old->st_mode & 07777;
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) giveOwner(fd, old->st_uid, old->st_gid);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
    struct stat in;
    if (::geteuid() == 0 && ::stat(folder.c_str(), &in) == 0 && in.st_uid != 0) giveOwner(fd, in.st_uid, in.st_gid);
  }
  if (::fchmod(fd, mode) != 0 && !modeUnsupported(errno)) return errno;
  return 0;
}

// Makes a new name in `folder` durable; the file is in place either way.
IoResult syncFolder(const std::string& folder, const std::string& path) {
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) return IoResult::failure(IoResult::Op::Sync, path, errno);
  const int synced = ::fsync(dfd);
  const int e = errno;
  ::close(dfd);
  if (synced != 0 && !folderSyncUnsupported(e)) return IoResult::failure(IoResult::Op::Sync, path, e);
  return IoResult::success();
}

// Why the program's own file at `path` (as lstat saw it) is not replaced, or 0.
int ownFileRefusal(const struct stat& st, const std::string& path) {
  if (S_ISLNK(st.st_mode)) return kLinkNotFollowed;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return kNotRegularFile;
  return writeRefusal(st, path);
}

// Renames `from` to `*name` or, when anything at all stands there, to the
// first free numbered name beside it, in a step that fails rather than
// replace or follow anything. 0, or the reason; `*name` is the name tried last.
int moveToFreeName(const std::string& from, std::string* name) {
  const std::string wanted = *name;
  for (long n = 1; n < 1000000; ++n) {
    *name = n == 1 ? wanted : numberedName(wanted, n);
    int placed = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, name->c_str(), RENAME_NOREPLACE);
    if (placed != 0 && (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
      // No exclusive rename on this file system: a hard link is as exclusive.
      placed = ::link(from.c_str(), name->c_str());
      if (placed == 0) ::unlink(from.c_str());
    }
    if (placed == 0) return 0;
    if (errno != EEXIST) return errno;
  }
  *name = wanted;
  return EEXIST;
}

}  // namespace

IoResult writeFileAtomic(const std::string& path, const void* data, std::size_t size, bool mustExist,
                         FileStamp* stamp) {
  using Op = IoResult::Op;
  // The file is replaced where a link points; the link itself stays.
  const std::string target = saveTarget(path);
  if (folderReplaced(path)) return IoResult::failure(Op::Write, path, kFolderReplaced);
  struct stat st;
  bool exists = ::stat(target.c_str(), &st) == 0;
  // Refused before anything is written: told as a write, since a save that
  // says it cannot "open" the file sends the user looking in the wrong place.
  if (!exists && errno != ENOENT) return IoResult::failure(Op::Write, path, errno);
  if (!exists && mustExist) return IoResult::failure(Op::Write, path, ENOENT);
  if (exists && S_ISDIR(st.st_mode)) return IoResult::failure(Op::Write, path, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) return IoResult::failure(Op::Write, path, kNotRegularFile);
  if (int e = exists ? writeRefusal(st, target) : 0) return IoResult::failure(Op::Write, path, e);
  if (stamp && stamp->known && exists && !sameFile(stampOf(st), *stamp) && !sameRecord(target, *stamp))
    return IoResult::failure(Op::Changed, path, 0);
  const Op failOp = exists ? Op::Write : Op::Create;

  // What the old file holds past the new bytes is carried over; read from
  // the file that was checked, not whatever may stand there by now.
  int old = -1;
  if (exists && st.st_size > static_cast<off_t>(size)) {
    old = ::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat now;
    if (old >= 0 && (::fstat(old, &now) != 0 || now.st_dev != st.st_dev || now.st_ino != st.st_ino)) {
      ::close(old);
      return IoResult::failure(Op::Changed, path, 0);
    }
    if (old < 0) return IoResult::failure(failOp, path, errno);
  }

  const std::string folder = folderOf(target);
  std::string tmp;
  int fd = makeTemporary(folder, nameOf(target), &tmp);
  if (fd < 0) {
    const int e = errno;
    if (old >= 0) ::close(old);
    return IoResult::failure(failOp, path, e);
  }
  auto fail = [&](int e) {
    ::close(fd);
    if (old >= 0) ::close(old);
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  };
  if (int e = takeOver(fd, exists ? &st : nullptr, folder)) return fail(e);
  const int lost = exists ? copyAttributes(target, fd) : 0;
  if (!writeAll(fd, static_cast<const char*>(data), size)) return fail(errno);
  if (old >= 0 && !copyTail(old, static_cast<off_t>(size), fd)) return fail(errno);
  step("written");
  if (::fsync(fd) != 0) return fail(errno);
  step("synced");
  struct stat written;
  const bool stamped = ::fstat(fd, &written) == 0;
  if (old >= 0) ::close(old);
  old = -1;
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
  if (stamp) {
    *stamp = stamped ? stampOf(written) : FileStamp{};
    stamp->digest = fnv1a(std::string_view(static_cast<const char*>(data), size));
    stamp->length = size;
  }
  IoResult synced = syncFolder(folder, path);
  if (!synced.ok()) return synced;
  if (exists && st.st_nlink > 1) return IoResult::failure(Op::Split, path, 0);
  return attributesResult(target, lost);
}

IoResult writeOwnFile(const std::string& path, const void* data, std::size_t size) {
  using Op = IoResult::Op;
  if (folderReplaced(path)) return IoResult::failure(Op::Write, path, kFolderReplaced);
  // The name itself, never what it may point to.
  struct stat st;
  const bool exists = ::lstat(path.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return IoResult::failure(Op::Write, path, errno);
  if (int e = exists ? ownFileRefusal(st, path) : 0) return IoResult::failure(Op::Write, path, e);
  const Op failOp = exists ? Op::Write : Op::Create;

  const std::string folder = folderOf(path);
  std::string tmp;
  const int fd = makeTemporary(folder, nameOf(path), &tmp);
  if (fd < 0) return IoResult::failure(failOp, path, errno);
  auto fail = [&](int e) {
    ::close(fd);
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  };
  if (int e = takeOver(fd, exists ? &st : nullptr, folder)) return fail(e);
  const int lost = exists ? copyAttributes(path, fd) : 0;
  if (!writeAll(fd, static_cast<const char*>(data), size)) return fail(errno);
  step("written");
  if (::fsync(fd) != 0) return fail(errno);
  step("synced");
  if (::close(fd) != 0) {
    const int e = errno;
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  }
  // A link or FIFO put at the name meanwhile is left alone too. (The rename
  // itself never follows one: at worst it would replace the link.)
  struct stat now;
  const bool there = ::lstat(path.c_str(), &now) == 0;
  if (int e = there ? ownFileRefusal(now, path) : 0) {
    ::unlink(tmp.c_str());
    return IoResult::failure(Op::Write, path, e);
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int e = errno;
    ::unlink(tmp.c_str());
    return IoResult::failure(failOp, path, e);
  }
  step("renamed");
  const IoResult synced = syncFolder(folder, path);
  return synced.ok() ? attributesResult(path, lost) : synced;
}

IoResult createOwnFileExclusive(std::string& path, const void* data, std::size_t size) {
  using Op = IoResult::Op;
  if (folderReplaced(path)) return IoResult::failure(Op::Create, path, kFolderReplaced);
  const std::string folder = folderOf(path);
  const std::string wanted = path;
  std::string tmp;
  const int fd = makeTemporary(folder, nameOf(path), &tmp);
  if (fd < 0) return IoResult::failure(Op::Create, path, errno);
  auto fail = [&](const std::string& at, int e) {
    ::unlink(tmp.c_str());
    return IoResult::failure(Op::Create, at, e);
  };
  if (int e = takeOver(fd, nullptr, folder)) {
    ::close(fd);
    return fail(path, e);
  }
  const bool written = writeAll(fd, static_cast<const char*>(data), size) && ::fsync(fd) == 0;
  const int e = errno;
  if (::close(fd) != 0 || !written) return fail(path, written ? errno : e);

  std::string name = wanted;
  if (const int e2 = moveToFreeName(tmp, &name)) return fail(name, e2);
  path = name;
  return syncFolder(folder, path);
}

IoResult keepFileAside(const std::string& path, std::string& kept) {
  if (folderReplaced(path)) return IoResult::failure(IoResult::Op::Write, path, kFolderReplaced);
  if (const int e = moveToFreeName(path, &kept)) return IoResult::failure(IoResult::Op::Write, kept, e);
  return syncFolder(folderOf(kept), kept);
}

IoResult readOwnFile(const std::string& path, std::string* bytes, std::size_t limit) {
  bytes->clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st;
  if (fd < 0) {
    const int e = errno;
    const bool link = e == ELOOP && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    return IoResult::failure(IoResult::Op::Open, path, link ? kLinkNotFollowed : e);
  }
  auto fail = [&](int e) {
    ::close(fd);
    bytes->clear();
    return IoResult::failure(IoResult::Op::Open, path, e);
  };
  if (::fstat(fd, &st) != 0) return fail(errno);
  if (!S_ISREG(st.st_mode)) return fail(S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile);
  if (st.st_size > static_cast<off_t>(limit)) return fail(EFBIG);
  char buf[65536];
  for (;;) {
    const ssize_t r = ::read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return fail(errno);
    if (r == 0) break;
    if (bytes->size() + static_cast<std::size_t>(r) > limit) return fail(EFBIG);  // grew while read
    bytes->append(buf, static_cast<std::size_t>(r));
  }
  ::close(fd);
  return IoResult::success();
}

std::string temporaryPrefix(const std::string& name) { return "." + name + ".plandor-save-"; }

namespace {

void removeIn(const std::string& folder, const std::function<bool(const std::string&)>& isOurs) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  // A save under way in another process (or on another computer, through a
  // sync tool) is younger than this.
  const time_t staleBefore = ::time(nullptr) - 60;
  static const std::string mark = ".plandor-save-";
  const std::size_t n = kTemporaryDigits;
  while (const dirent* e = ::readdir(dir)) {
    const std::string entry = e->d_name;
    if (entry.size() < 1 + 1 + mark.size() + n || entry[0] != '.') continue;
    const std::size_t at = entry.size() - n - mark.size();
    if (entry.compare(at, mark.size(), mark) != 0) continue;
    bool random = true;
    for (std::size_t i = entry.size() - n; i < entry.size(); ++i)
      random = random && std::isxdigit(static_cast<unsigned char>(entry[i])) && !std::isupper(static_cast<unsigned char>(entry[i]));
    if (!random || !isOurs(entry.substr(1, at - 1))) continue;
    struct stat st;
    if (::fstatat(::dirfd(dir), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_mtime < staleBefore)
      ::unlinkat(::dirfd(dir), entry.c_str(), 0);
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
}

void setSaveStepHook(SaveStepHook hook) { g_saveStepHook = hook; }

}  // namespace plandor
