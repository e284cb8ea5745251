// Writes the seed corpus of the fuzz targets with the program's own stores:
//   make_seeds CORPUS_FOLDER
// Each target's seeds go to CORPUS_FOLDER/<target>/.
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "daymodel.h"
#include "listfile.h"
#include "recovery.h"
#include "routinefile.h"
#include "timeaxis.h"

using namespace plandor;

namespace {

std::string g_root;

std::string dirFor(const char* target) {
  std::string d = g_root + "/" + target;
  ::mkdir(d.c_str(), 0777);
  return d;
}

void put(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fclose(f);
}

std::string get(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

// The saved file with the header path it would carry in a program folder,
// rather than the path of this tool's scratch folder.
std::string withHeader(const std::string& file, const std::string& headerPath) {
  DayFile img;
  std::memcpy(&img, file.data(), sizeof img);
  std::memset(img.FilePath.bytes, 0, sizeof img.FilePath.bytes);
  img.FilePath.setText(headerPath);
  return std::string(reinterpret_cast<const char*>(&img), sizeof img);
}

void must(const IoResult& r) {
  if (!r.ok()) {
    std::fprintf(stderr, "%s\n", r.message().c_str());
    std::exit(1);
  }
}

void fillPad(PadTable& d, int slot, const std::string& keyword, int startY, int endY, std::int32_t color) {
  PadRecord& p = d.Pads[slot];
  BarRecord& b = d.Bars[slot];
  const PadTime s = YToTime(startY), e = YToTime(endY);
  p.PadNo = slot + 1;
  p.Left = slot % 2 ? 351 : 4;
  p.Top = startY + 1;
  p.Keyword.setText(keyword);
  p.Content.setText("説明 " + keyword + " 予定表ソ十");
  p.Completed = slot % 3 == 0;
  p.Color = color;
  p.StartHour = s.hour, p.StartMinute = s.minute, p.StartPM = s.pm;
  p.EndHour = e.hour, p.EndMinute = e.minute, p.EndPM = e.pm;
  p.Memo.setText(std::string(slot * 10, 'm') + "メモ①髙");
  b.Side.setText(p.Left > 300 ? "R" : "L");
  b.TopY = TimeToY(p.StartHour, p.StartMinute, p.StartPM);
  b.BottomY = TimeToY(p.EndHour, p.EndMinute, p.EndPM);
  b.Color = color;
}

void daySeeds() {
  const std::string d = dirFor("fuzz_dayfile");
  const std::string work = d + "/.work";
  ::mkdir(work.c_str(), 0777);
  const std::string path = work + "/Y2006011.sdf";
  bool headerSet = false;

  DayModel empty;
  empty.openEmpty(path);
  must(empty.save({2006, 1, 1}, &headerSet));
  put(d + "/empty-day.sdf", withHeader(get(path), "/home/user/plandor/Y200601/Y2006011.sdf"));

  PadTable t = emptyPadTable();
  for (int i = 0; i < kPadSlots; ++i)
    fillPad(t, i, "キーワード" + std::to_string(i + 1), i * 110, i * 110 + 100, 0x0000FF + i * 0x010203);
  t.Diary.Title1.setText("今日一日をふり返って一言");
  t.Diary.Content1.setText(std::string(250, 'x') + "予定");
  t.Diary.Title2.setText("明日に向けて一言");
  t.Diary.Content2.setText("明日への意気込み");
  // A new day's save refuses a file that appeared meanwhile: start afresh.
  std::remove(path.c_str());
  DayModel full;
  full.openEmpty(path);
  full.restore(t);
  must(full.save({2006, 1, 1}, &headerSet));
  const std::string fullBytes = withHeader(get(path), "/home/user/plandor/Y200601/Y2006011.sdf");
  put(d + "/24-pads.sdf", fullBytes);
  put(d + "/short.sdf", fullBytes.substr(0, 1000));
  put(d + "/long.sdf", fullBytes + std::string(500, 'x'));

  // A header written on Windows, with a CP932 trail byte 0x5C in the name.
  put(d + "/windows-header.sdf", withHeader(fullBytes, "C:\\プランドール\\予定\\Y2006011.sdf"));
  std::remove(path.c_str());
  ::rmdir(work.c_str());
}

void routineSeeds() {
  const std::string d = dirFor("fuzz_routinefile");
  const std::string work = d + "/.work";
  ::mkdir(work.c_str(), 0777);
  RoutineStore s;
  must(s.LoadRoutineFile(work));  // creates the empty file
  const std::string file = work + "/Routines.rdf";
  put(d + "/empty.rdf", get(file));
  for (int i = 0; i < 5; ++i) {
    RoutineRecord& r = s.RoutineTable[i];
    r.RoutineNo = i + 1;
    r.Left = i % 2 ? 351 : 4;
    r.Top = 241 + i * 120;
    r.Keyword.setText("散歩" + std::to_string(i));
    r.Content.setText("麒麟山展望台まで1時間で往復");
    r.Color = 0x00FF00;
    r.StartHour = 8 + i % 4, r.StartMinute = 0, r.StartPM = i % 2;
    r.EndHour = 9 + i % 2, r.EndMinute = 30, r.EndPM = i % 2;
    r.Memo.setText(std::string(200, 'r') + "ルーチン");
    r.Show = 1;
    r.DOW[i % 7] = r.DOW[(i + 3) % 7] = 1;
  }
  must(s.WriteRoutineFile());
  const std::string five = get(file);
  put(d + "/five-routines.rdf", five);
  put(d + "/short.rdf", five.substr(0, 900));
  std::remove(file.c_str());
  ::rmdir(work.c_str());
}

void listSeeds() {
  const std::string d = dirFor("fuzz_listfile");
  const std::string work = d + "/.work";
  ::mkdir(work.c_str(), 0777);
  ListStore s;
  must(s.LoadListEntries(work));  // creates the default file
  const std::string file = work + "/LEntries.lef";
  const std::string defaults = get(file);
  put(d + "/default.lef", defaults);
  // Three keywords in 96 bytes, and a list with a hole.
  ListStore t;
  t.entries.KeywordEntries[0].setText("会議");
  t.entries.KeywordEntries[1].setText("散歩");
  t.entries.KeywordEntries[2].setText("買い物");
  put(d + "/three-keywords.lef", std::string(reinterpret_cast<const char*>(&t.entries), 96));
  s.entries.KeywordEntries[2].clear();
  s.entries.KeywordEntries[5].setText("穴の後");
  s.entries.ContentEntries[23].setText(std::string(63, 'c'));
  must(s.WriteListFile());
  put(d + "/hole.lef", get(file));
  std::remove(file.c_str());
  ::rmdir(work.c_str());
}

void codecSeeds() {
  const std::string d = dirFor("fuzz_codec");
  const struct {
    const char* name;
    unsigned char capacity;
    std::string text;
  } seeds[] = {
      {"keyword-utf8", 31, "キーワード"},
      {"mixed-utf8", 10, "予定表 ①髙 ～∥−"},
      {"emoji-utf8", 5, "a😀b"},
      {"cp932-5c", 3, utf8ToCp932("予ソ表")},
      {"cp932-lone-lead", 2, std::string("a\x83", 2)},
      {"cp932-nec-ibm", 63, std::string("\xed\x40\xfa\x5c\x87\x40\xfb\xfc\x80\xa0\xfd", 11)},
  };
  for (const auto& s : seeds) put(d + "/" + s.name, std::string(1, static_cast<char>(s.capacity)) + s.text);
}

void recoverySeeds() {
  const std::string d = dirFor("fuzz_recovery");
  const std::string work = d + "/.work";
  ::mkdir(work.c_str(), 0777);
  const std::string file = work + "/Recovery-2006-01-03.pdr";
  Recovery r;
  r.dayName = "Y200601/Y2006013.sdf";
  r.written = {{2006, 1, 2}, 21, 41, 0};
  r.began = {true, true, 2049, 1234, 10728, 1136200000, 7, 0x0123456789abcdefull, 10728};
  std::memset(&r.image, 0, sizeof r.image);
  r.image.Pads[0].PadNo = 1;
  r.image.Pads[0].Keyword.setText("会議");
  must(writeRecovery(file, r));
  put(d + "/one-pad.pdr", get(file));
  TypedPad t;
  t.slot = 1;
  t.fresh = true;
  t.keyword = "打ち合わせ";
  t.startHour = "9";
  t.endHour = "x";
  r.typed = {t, t};
  r.typed[1].slot = 23;
  must(writeRecovery(file, r));
  put(d + "/typed-pads.pdr", get(file));
  r.dayName = "../outside/notes.txt";
  r.typed.clear();
  must(writeRecovery(file, r));
  put(d + "/foreign.pdr", get(file));
  std::remove(file.c_str());
  ::rmdir(work.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  ::mkdir(g_root.c_str(), 0777);
  daySeeds();
  routineSeeds();
  listSeeds();
  codecSeeds();
  recoverySeeds();
  return 0;
}
