#include "pathbytes.h"

#include "codec.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <map>

namespace plandor {
namespace {

std::string bytes(const QByteArray& b) { return std::string(b.constData(), static_cast<std::size_t>(b.size())); }

bool qtCanHold(const std::string& path) {
  return QFile::encodeName(QFile::decodeName(QByteArray::fromStdString(path))) == QByteArray::fromStdString(path);
}

// Folders Qt cannot name, each with a descriptor kept open for the run.
std::map<std::string, int>& pins() {
  static std::map<std::string, int> p;
  return p;
}

std::string alias(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

QString toQtPath(const std::string& path) {
  if (qtCanHold(path)) return QFile::decodeName(QByteArray::fromStdString(path));
  // The shortest leading part that holds every byte Qt cannot name.
  std::string head = path, tail;
  for (std::size_t p = path.find('/', 1); p != std::string::npos; p = path.find('/', p + 1)) {
    if (qtCanHold(path.substr(p))) {
      head = path.substr(0, p);
      tail = path.substr(p);
      break;
    }
  }
  auto it = pins().find(head);
  if (it == pins().end()) {
    const int fd = open(head.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) return QFile::decodeName(QByteArray::fromStdString(path));  // fails where it is used
    it = pins().emplace(head, fd).first;
  }
  return QString::fromLatin1(alias(it->second)) + QFile::decodeName(QByteArray::fromStdString(tail));
}

std::string fromQtPath(const QString& path) {
  const std::string s = bytes(QFile::encodeName(path));
  for (const auto& [head, fd] : pins()) {
    const std::string a = alias(fd);
    if (s == a || (s.size() > a.size() && s.compare(0, a.size(), a) == 0 && s[a.size()] == '/'))
      return head + s.substr(a.size());
  }
  return s;
}

std::string shownText(std::string_view s) {
  static const char hex[] = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (const std::size_t n = wellFormedUtf8Length(s, i)) {
      out.append(s.substr(i, n));
      i += n;
    } else {
      const auto c = static_cast<unsigned char>(s[i++]);
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  return out;
}

QString shownQString(std::string_view s) { return QString::fromStdString(shownText(s)); }

}  // namespace plandor
