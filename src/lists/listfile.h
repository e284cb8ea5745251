#pragma once
// The four suggestion lists offered by the keyword, description and diary
// title boxes, and their file LEntries.lef.
#include <string>
#include <vector>

#include "fileio.h"
#include "records.h"

namespace plandor {

struct ListEntries {
  ShortText<31> KeywordEntries[24];
  ShortText<63> ContentEntries[24];
  ShortText<31> Title1Entries[12];
  ShortText<31> Title2Entries[12];
};

constexpr std::size_t kListFileSize = 3072;
static_assert(sizeof(ListEntries) == kListFileSize);
static_assert(offsetof(ListEntries, ContentEntries) == 0x300);
static_assert(offsetof(ListEntries, Title1Entries) == 0x900);
static_assert(offsetof(ListEntries, Title2Entries) == 0xA80);

// The texts of the non-empty slots, in slot order; a hole never hides
// later entries.
template <std::size_t Capacity, std::size_t N>
std::vector<std::string> listTexts(const ShortText<Capacity> (&slotArray)[N]) {
  std::vector<std::string> out;
  for (const auto& s : slotArray)
    if (!s.empty()) out.push_back(s.text());
  return out;
}

class ListStore {
 public:
  ListStore();

  ListEntries entries;
  std::string ListFilePath;

  // Reads LEntries.lef from `dataFolder`, or creates it with the default
  // lists when nothing is there. After a failure the default lists are in
  // memory; a file that is there but could not be read stays unread.
  IoResult LoadListEntries(const std::string& dataFolder);
  // Writes the block over the existing file; a missing file is an error,
  // and so is a file that start-up could not read (Op::Overwrite). A file
  // another program changed since it was read or saved is left alone
  // (Op::Changed) unless `overwriteChanged`.
  IoResult WriteListFile(bool overwriteChanged = false);
  // The lists to a new file at `path` (or the free name it receives).
  IoResult WriteListCopy(std::string& path);
  bool unread() const { return !unread_.ok(); }
  // All slots empty, then the default entries.
  void setDefaults();

 private:
  IoResult unread_;  // the failed read at start-up
  FileStamp stamp_;  // the file as last read or written
};

}  // namespace plandor
