#pragma once
// File paths are byte strings from start to end. Qt names files in Unicode
// and cannot hold every byte string (a folder named in Shift-JIS on a
// Windows machine, say), so paths cross into Qt only here, and only text
// meant for the eye is decoded.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace plandor {

// A name Qt can open for `path`. A path Qt cannot hold is reached through
// a descriptor kept open on its first folders ("/proc/self/fd/N/...").
QString toQtPath(const std::string& path);
// The bytes of a path Qt returned, undoing toQtPath.
std::string fromQtPath(const QString& path);

// Bytes as the user should read them: UTF-8 as it is, every other byte as
// "\x83", so that no byte is dropped or turned into a question mark.
std::string shownText(std::string_view bytes);
QString shownQString(std::string_view bytes);

}  // namespace plandor
