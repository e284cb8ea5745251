// plandor-ics: the days (and optionally the routines) of a program folder as
// one iCalendar file, or published to a CalDAV calendar. Reads the planner's
// files and writes nothing there. The rules live in icsexport and caldav;
// this only reads the command line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "caldav.h"
#include "datafolder.h"
#include "fileio.h"
#include "icsexport.h"
#include "outputfile.h"

using namespace plandor;

namespace {

constexpr const char* kUsage =
    "使い方: plandor-ics [--from 日付] [--to 日付] [--routines] [--diary-events] [--output FILE] [フォルダ]\n"
    "        plandor-ics --publish URL [--user 名前] [--from 日付] [--to 日付] [--routines] [--diary-events] "
    "[フォルダ]\n";

constexpr const char* kHelp =
    "プランドールの予定を iCalendar (RFC 5545) で書き出すか、CalDAV のカレンダーに公開します。\n"
    "プランドールのファイルは読むだけで、何も書きません。\n"
    "\n"
    "  --from 日付        この日から (YYYY-MM-DD、または今日からの日数 +7 / -3。\n"
    "                     1000-01-01 から 9999-12-31 まで)\n"
    "  --to 日付          この日まで (同じ形)\n"
    "                     どちらもなければ今日だけ。--from だけなら その日から今日まで、\n"
    "                     --to だけなら 今日から その日まで。ただし --from だけで未来の日、\n"
    "                     --to だけで過去の日なら その日だけ。\n"
    "  --routines         範囲の中で日のファイルがない日に、ルーチン表示がその日に並べる\n"
    "                     ルーチンを、その日の予定として加えます (曜日と表示の規則は同じ)。\n"
    "                     日のファイルがある日は、そのファイルの予定だけです。\n"
    "  --diary-events     日記を VJOURNAL ではなく終日の予定 (VEVENT) にします。\n"
    "                     VJOURNAL を表示しないカレンダー向け。\n"
    "  --output FILE      FILE に書きます (完成してから丸ごと置き換え)。範囲に何もなければ\n"
    "                     予定のないカレンダーにします。なければ標準出力へ。\n"
    "  --publish URL      CalDAV のカレンダー (コレクション) の URL。範囲のプランドールの予定を\n"
    "                     そのとおりにします: 新しい予定を作り、変わった予定を置き換え、\n"
    "                     以前に公開して今はない予定を消します。変わっていない予定は送らず、\n"
    "                     プランドールが公開したのではない予定には触れません。\n"
    "                     URL がカレンダーでなければ (ユーザーのフォルダなど)、何も送りません。\n"
    "  --user 名前        CalDAV のユーザー名。パスワードは環境変数 PLANDOR_CALDAV_PASSWORD、\n"
    "                     ~/.netrc (machine と login が合う項目だけ。default は https のときだけ。\n"
    "                     他のユーザーが読めるファイルは使いません)、端末での入力 (表示しません)\n"
    "                     の順に探します。どれもなければ何も送りません。\n"

    "  --help             この説明\n"
    "\n"
    "フォルダ: 読むデータフォルダ。なければ、このコマンドの隣のプランドールが使うフォルダ\n"
    "(書き込めるならプログラムフォルダ、でなければ ~/.local/share/plandor)。その中の\n"
    "月のフォルダの日のファイルと Routines.rdf を読みます。\n"
    "一つの範囲の書き出しはその範囲のすべてです: 同じ範囲をもう一度書き出したファイルで\n"
    "置き換える (購読する) カレンダーは、プランドールのとおりになります。\n"
    "\n"
    "終了コード: 0 成功、1 失敗 (公開では途中まで)、2 使い方の誤り、\n"
    "3 範囲に何もない (標準出力への書き出しのみ)。\n";

void complain(const std::string& text) { std::fprintf(stderr, "plandor-ics: %s\n", text.c_str()); }

int usageError(const std::string& text) {
  complain(text);
  std::fputs(kUsage, stderr);
  return 2;
}

// Today's calendar date from the system clock, as the planner takes it.
LocalDate today() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

// YYYY-MM-DD, or +N / -N days from today.
std::optional<LocalDate> parseDate(const std::string& s) {
  if (!s.empty() && (s[0] == '+' || s[0] == '-') && s.size() <= 6 && s.size() >= 2 &&
      s.find_first_not_of("0123456789", 1) == std::string::npos) {
    const int days = std::atoi(s.c_str() + 1);
    return fromSerialDate(toSerialDate(today()) + (s[0] == '-' ? -days : days));
  }
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  return ics::parseDateStem(s.substr(0, 4) + s.substr(5, 2) + s.substr(8, 2));
}

std::string shownDate(const LocalDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<LocalDate> from, to;
  std::optional<std::string> output, folder, publishUrl, user;
  ics::Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue =
        arg == "--from" || arg == "--to" || arg == "--output" || arg == "--publish" || arg == "--user";
    if (takesValue && i + 1 >= argc) return usageError(arg + " に値がありません。");
    if (arg == "--from" || arg == "--to") {
      const std::string value = argv[++i];
      const auto d = parseDate(value);
      if (!d) return usageError(arg + " の日付 \"" + value + "\" が正しくありません (YYYY-MM-DD か +日数)。");
      // The planner's own dates.
      if (d->year < 1000 || d->year > 9999)
        return usageError(arg + " の日付 \"" + value + "\" は範囲外です (1000-01-01 から 9999-12-31 まで)。");
      (arg == "--from" ? from : to) = d;
    } else if (arg == "--output") {
      output = argv[++i];
    } else if (arg == "--publish") {
      publishUrl = argv[++i];
    } else if (arg == "--user") {
      user = argv[++i];
    } else if (arg == "--routines") {
      options.routines = true;
    } else if (arg == "--diary-events") {
      options.diaryEvents = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs("\n", stdout);
      std::fputs(kHelp, stdout);
      return 0;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return usageError("不明なオプション \"" + arg + "\"。");
    } else if (folder) {
      return usageError("フォルダは一つだけ指定できます。");
    } else {
      folder = arg;
    }
  }
  if (publishUrl && output) return usageError("--output と --publish は一緒に使えません。");
  if (user && !publishUrl) return usageError("--user は --publish と使います。");
  if (publishUrl && !user && std::getenv("PLANDOR_CALDAV_PASSWORD"))
    return usageError("PLANDOR_CALDAV_PASSWORD のパスワードは --user と使います (ユーザー名がありません)。");
  if (!from) from = to && toSerialDate(*to) < toSerialDate(today()) ? *to : today();
  if (!to) to = toSerialDate(*from) > toSerialDate(today()) ? *from : today();
  if (toSerialDate(*to) < toSerialDate(*from)) {
    complain("--to (" + shownDate(*to) + ") が --from (" + shownDate(*from) + ") より前です。");
    return 2;
  }
  if (!folder) {
    const std::optional<std::string> exe = executableFolder();
    if (exe) folder = dataFolderFor(*exe);
  }
  if (!folder) {
    complain("データフォルダが分かりません。フォルダを指定してください。");
    return 1;
  }
  while (folder->size() > 1 && folder->back() == '/') folder->pop_back();
  if (!folderExists(*folder)) {
    complain("フォルダ \"" + *folder + "\" がありません。");
    return 1;
  }

  // The export reads the planner's files; it never writes over one.
  if (output && ics::replacesDataFile(*output, *folder)) {
    complain("出力先 \"" + *output + "\" はプランドールのデータフォルダのファイルです。別の場所を指定してください。");
    return 2;
  }

  if (publishUrl) return ics::publish({*publishUrl, user}, *folder, *from, *to, options);

  // Item by item, each made once: memory does not grow with the range.
  const std::string range = shownDate(*from) + (*from == *to ? "" : " 〜 " + shownDate(*to));
  const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
  // Standard output cannot be taken back: a day file that cannot be read
  // stops the export before anything is written there.
  if (!output) {
    const std::string unreadable = ics::forEachItem(*folder, *from, *to, options, [](const std::string&) {}, {});
    if (!unreadable.empty()) {
      complain(unreadable);
      return 1;
    }
  }
  ics::ReplacingFile file;
  if (output) {
    const IoResult r = file.open(*output);
    if (!r.ok()) {
      complain(ics::messageLine(r.message()));
      return 1;
    }
  }
  IoResult failed;
  std::size_t count = 0;
  const auto put = [&](std::string_view text) {
    if (!failed.ok()) return false;
    if (output) {
      failed = file.write(text);
    } else if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
      failed = IoResult::failure(IoResult::Op::Write, "(標準出力)", errno);
    }
    return failed.ok();
  };
  const std::string error = ics::forEachItem(*folder, *from, *to, options, complain, [&](std::vector<ics::Item>& items) {
    // Standard output gets nothing for a range without items.
    if (count == 0 && !put(ics::calendarHeader())) return false;
    for (ics::Item& item : items) {
      ++count;
      if (!put(ics::itemText(item, stamp))) return false;
    }
    return true;
  });
  if (!error.empty()) {
    // The file stays as it was; standard output has no calendar end, so no
    // reader takes the part as the whole.
    complain(error);
    return 1;
  }
  if (count == 0) {
    if (!output) {
      complain(range + " に書き出す予定がありません。");
      return 3;
    }
    // A subscribed file shows the range as it is: without events.
    complain(range + " に予定がありません。予定のないカレンダーを書きます。");
    put(ics::calendarHeader());
  }
  put(ics::kCalendarEnd);
  if (!output && failed.ok() && std::fflush(stdout) != 0)
    failed = IoResult::failure(IoResult::Op::Write, "(標準出力)", errno);
  if (!failed.ok()) {
    complain(output ? ics::messageLine(failed.message()) : std::string("標準出力に書き込めません. ") + errorReason(failed.error));
    return 1;
  }
  if (output) {
    const IoResult r = file.commit();
    if (!r.written()) {
      complain(ics::messageLine(r.message()));
      return 1;
    }
    if (!r.ok()) complain(ics::messageLine(r.message()));
  }
  return 0;
}
