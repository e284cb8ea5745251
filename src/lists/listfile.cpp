#include "listfile.h"

#include <cstring>

namespace plandor {

ListStore::ListStore() { std::memset(&entries, 0, sizeof entries); }

void ListStore::setDefaults() {
  std::memset(&entries, 0, sizeof entries);
  entries.KeywordEntries[0].setText("キーワード");
  entries.ContentEntries[0].setText("説明");
  const char* title1[] = {"タイトル1", "今日一日をふり返って一言", "今日の反省", "日記"};
  const char* title2[] = {"タイトル2", "明日に向けて一言", "明日への意気込み", "日記"};
  for (int i = 0; i < 4; ++i) {
    entries.Title1Entries[i].setText(title1[i]);
    entries.Title2Entries[i].setText(title2[i]);
  }
}

IoResult ListStore::LoadListEntries(const std::string& dataFolder) {
  ListFilePath = dataFolder + "/LEntries.lef";
  unread_ = IoResult::success();
  if (!fileMissing(ListFilePath)) {
    ListEntries scratch;
    std::memset(&scratch, 0, sizeof scratch);
    std::size_t got = 0;
    IoResult r = readFileStart(ListFilePath, &scratch, sizeof scratch, &got, true, &stamp_);
    if (r.ok())
      entries = scratch;
    else
      setDefaults();
    unread_ = r;
    return r;
  }
  setDefaults();
  return writeFileAtomic(ListFilePath, &entries, sizeof entries, false, &stamp_);
}

IoResult ListStore::WriteListFile(bool overwriteChanged) {
  if (unread()) return IoResult::failure(IoResult::Op::Overwrite, ListFilePath, unread_.error);
  FileStamp expected = stamp_;
  if (overwriteChanged) expected.known = false;
  IoResult r = writeFileAtomic(ListFilePath, &entries, sizeof entries, true, &expected);
  if (r.written()) stamp_ = expected;
  return r;
}

IoResult ListStore::WriteListCopy(std::string& path) {
  return createOwnFileExclusive(path, &entries, sizeof entries);
}

}  // namespace plandor
