#include "caldav.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "caldavhttp.h"
#include "caldavlogin.h"

namespace plandor::ics {

namespace {

void complain(const std::string& text) { std::fprintf(stderr, "plandor-ics: %s\n", text.c_str()); }

std::string statusText(const Http::Response& r) {
  if (r.code != CURLE_OK) return r.error;
  std::string s = "HTTP " + std::to_string(r.status);
  if (r.status >= 300 && r.status < 400)
    s += r.location.empty() ? " (転送先なし)" : " (転送先 " + shownUrl(r.location) + ")";
  return s;
}

const char* kindName(Step::Kind k) {
  switch (k) {
    case Step::Kind::Create: return "新規";
    case Step::Kind::Update: return "更新";
    case Step::Kind::Delete: return "削除";
    case Step::Kind::None: break;
  }
  return "";
}

// Failures the next run can get past by itself: a race, a server or
// connection that failed for the moment.
bool passing(const Http::Response& r) {
  return r.code != CURLE_OK || r.status == 412 || r.status == 409 || r.status == 408 || r.status == 423 ||
         r.status == 429 || r.status >= 500;
}

constexpr const char* kNothingSent = "何も送っていません。";

// A server may think for minutes before it lists a large collection.
constexpr long kPatient = 600;

std::string xmlEscaped(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else out += c;
  }
  return out;
}

std::string notCalendar(const std::string& shown, const std::string& what) {
  return shown + " はカレンダーではありません。サーバーのカレンダーの URL を指定してください。この URL は" + what +
         "です。" + kNothingSent;
}

}  // namespace

int publish(const PublishTarget& target, const std::string& folder, const LocalDate& from, const LocalDate& to,
            const Options& options) {
  std::string collection = target.url;
  if (collection.empty() || collection.back() != '/') collection += '/';
  const std::string scheme = urlPart(collection, CURLUPART_SCHEME);
  if (resolve(collection, collection).empty() || (scheme != "http" && scheme != "https")) {
    complain("URL \"" + shownUrl(target.url) + "\" が正しくありません (http:// か https://)。");
    return 2;
  }
  const std::string shown = shownUrl(collection);
  // A day that cannot be read is found before anything is sent.
  if (const std::string unreadable = forEachItem(folder, from, to, options, [](const std::string&) {}, {});
      !unreadable.empty()) {
    complain(unreadable);
    complain(kNothingSent);
    return 1;
  }
  Http http;
  if (!http.ready()) {
    complain("HTTP を使えません (libcurl)。");
    return 1;
  }

  // The password, before any request: from the environment, from ~/.netrc
  // for this machine and login, or asked on the terminal.
  if (target.user) {
    const std::string& user = *target.user;
    std::optional<std::string> password;
    if (const char* pw = std::getenv("PLANDOR_CALDAV_PASSWORD")) password = pw;
    if (!password) {
      NetrcLookup n = readNetrc(urlPart(collection, CURLUPART_HOST), user, scheme == "https");
      if (!n.refusal.empty()) {
        complain(n.refusal);
        return 1;
      }
      password = std::move(n.password);
    }
    if (!password) password = askPassword(shown + " の " + user + " のパスワード: ");
    if (!password) {
      complain("ユーザー \"" + user + "\" のパスワードがありません: PLANDOR_CALDAV_PASSWORD も、~/.netrc の machine " +
               urlPart(collection, CURLUPART_HOST) + " login " + user + " もなく、尋ねる端末もありません。" +
               kNothingSent);
      return 1;
    }
    http.setLogin(user, std::move(*password));
  }
  const auto refused = [&](const Http::Response& r) {
    if (r.code != CURLE_OK || r.status != 401) return std::string();
    return target.user ? " (ユーザー \"" + *target.user + "\" は受け付けられませんでした: ユーザー名かパスワードが違います)"
                       : std::string(" (ユーザー名とパスワードが要ります: --user で指定してください)");
  };

  // The target must be a calendar that takes what is sent, before anything
  // is written there.
  {
    const std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:propfind xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
        "<D:prop><D:resourcetype/><C:supported-calendar-component-set/></D:prop></D:propfind>\n";
    const Http::Response r =
        http.request("PROPFIND", collection, {"Depth: 0", "Content-Type: application/xml; charset=utf-8"}, body);
    const std::optional<CollectionInfo> info =
        r.code == CURLE_OK && r.status == 207 ? parseCollectionInfo(r.body) : std::nullopt;
    // A server without WebDAV refuses the method, or answers as to a GET.
    const bool noDav = r.code == CURLE_OK && (r.status == 405 || r.status == 501 || (r.status >= 200 && r.status < 300));
    if (!noDav && !info) {
      std::string why = statusText(r) + refused(r);
      if (r.code == CURLE_OK && r.status == 404) why += " (カレンダーがありません)";
      if (r.code == CURLE_OK && r.status >= 300 && r.status < 400 && !r.location.empty())
        why += "。転送先がカレンダーなら、その URL を指定してください";
      complain(shown + " を確かめられません: " + why + "。" + kNothingSent);
      return 1;
    }
    if (!info) {
      complain(notCalendar(shown, " WebDAV を話さない HTTP サーバー (" + statusText(r) + ") "));
      return 1;
    }
    if (!info->calendar) {
      complain(notCalendar(shown, info->principal    ? "ユーザーのフォルダ"
                                  : info->collection ? "カレンダーでない WebDAV のフォルダ"
                                                     : "フォルダでなく、一つのファイル"));
      return 1;
    }
    const auto takes = [&](const char* kind) { return info->components.empty() || info->components.count(kind); };
    if (!takes("VEVENT")) {
      complain(shown + " のカレンダーは予定 (VEVENT) を受け付けません。予定のカレンダーの URL を指定してください。" +
               kNothingSent);
      return 1;
    }
    if (!options.diaryEvents && !takes("VJOURNAL")) {
      complain(shown + " のカレンダーは日記 (VJOURNAL) を受け付けません。--diary-events を付けると日記を終日の予定として送ります。" +
               kNothingSent);
      return 1;
    }
  }

  // Every item of this program the collection holds, wherever it now is in
  // time: its UID says which date it belongs to. The listing names every
  // resource; only those that may be of the range are read.
  Reconciler reconciler(from, to);
  {
    const std::vector<std::string> xmlHeaders = {"Depth: 1", "Content-Type: application/xml; charset=utf-8"};
    std::vector<std::string> toRead;
    MultistatusReader listing([&](std::string&& href) {
      if (worthReading(href, from, to)) toRead.push_back(std::move(href));
    });
    const Http::Response r = http.request(
        "PROPFIND", collection, xmlHeaders,
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:propfind xmlns:D=\"DAV:\"><D:prop><D:getetag/></D:prop></D:propfind>\n",
        [&](const char* data, std::size_t n) { listing.feed(data, n); }, kPatient);
    if (r.code != CURLE_OK || r.status != 207 || !listing.finish()) {
      complain(shown + " の予定を読めません: " + (r.status == 207 ? "CalDAV の一覧ではありません" : statusText(r) + refused(r)) +
               "。" + kNothingSent);
      return 1;
    }
    // A few hundred at a time keeps each request and answer small.
    constexpr std::size_t kBatch = 300;
    for (std::size_t at = 0; at < toRead.size(); at += kBatch) {
      std::string query =
          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
          "<C:calendar-multiget xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
          "<D:prop><D:getetag/><C:calendar-data/></D:prop>";
      for (std::size_t i = at; i < std::min(toRead.size(), at + kBatch); ++i) query += "<D:href>" + xmlEscaped(toRead[i]) + "</D:href>";
      query += "</C:calendar-multiget>\n";
      MultistatusReader reader([&](RemoteItem&& item) { reconciler.add(std::move(item)); });
      const Http::Response m = http.request("REPORT", collection, xmlHeaders, query,
                                            [&](const char* data, std::size_t n) { reader.feed(data, n); }, kPatient);
      if (m.code != CURLE_OK || m.status != 207 || !reader.finish()) {
        complain(shown + " の予定を読めません: " + (m.status == 207 ? "CalDAV の一覧ではありません" : statusText(m) + refused(m)) +
                 "。" + kNothingSent);
        return 1;
      }
    }
  }

  const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
  const bool progress = ::isatty(STDERR_FILENO);
  int done[3] = {0, 0, 0}, failed[3] = {0, 0, 0}, unchanged = 0, sent = 0;
  std::vector<std::string> failures;
  bool cutOff = false;     // the connection failed: the rest is not tried
  bool onlyPassing = true; // every failure is one the next run gets past
  const auto send = [&](const Step& s, Item* item) {
    const int k = static_cast<int>(s.kind);
    if (cutOff) {
      ++failed[k];
      return;
    }
    if (progress && ++sent % 10 == 0) std::fprintf(stderr, "\r送信中 %d", sent);
    const std::string url = resolve(collection, s.href);
    Http::Response r;
    if (s.kind == Step::Kind::Delete) {
      r = http.request("DELETE", url, {"If-Match: " + s.etag}, "");
    } else {
      std::vector<std::string> headers = {"Content-Type: text/calendar; charset=utf-8"};
      if (s.kind == Step::Kind::Create) headers.push_back("If-None-Match: *");
      else if (!s.etag.empty()) headers.push_back("If-Match: " + s.etag);
      r = http.request("PUT", url, headers, resourceFile(*item, stamp));
    }
    // A deletion of what is already gone has done its work.
    const bool ok = r.code == CURLE_OK && ((r.status >= 200 && r.status < 300) ||
                                           (s.kind == Step::Kind::Delete && r.status == 404));
    if (ok) {
      ++done[k];
      return;
    }
    ++failed[k];
    std::string why = statusText(r) + refused(r);
    if (r.code == CURLE_OK && r.status == 412) why += " (サーバー上で変わっていました)";
    failures.push_back(std::string(kindName(s.kind)) + " " + s.uid + ": " + why);
    onlyPassing = onlyPassing && passing(r);
    if (r.code != CURLE_OK) cutOff = true;
  };

  const std::string error = forEachItem(
      folder, from, to, options, complain, [&](std::vector<Item>& items) {
        for (Item& item : items) {
          const Step s = reconciler.stepFor(item);
          if (s.kind == Step::Kind::None) ++unchanged;
          else send(s, &item);
        }
        return true;
      });
  // Deletions need the whole range read: a day that could not be read
  // deletes nothing.
  if (error.empty())
    for (const Step& s : reconciler.deletions()) send(s, nullptr);
  if (progress && sent >= 10) std::fputs("\r\033[K", stderr);

  std::printf("%s: 新規 %d, 更新 %d, 削除 %d, 変更なし %d\n", shown.c_str(), done[0], done[1], done[2], unchanged);
  std::fflush(stdout);
  if (!error.empty()) {
    complain(error);
    complain("読めない日があるので、そこで止めました (削除もしていません)。");
  }
  if (failures.empty() && !cutOff && error.empty()) return 0;
  for (const std::string& f : failures) complain("送れませんでした: " + f);
  if (!failures.empty() || cutOff)
    complain("送れなかったもの: 新規 " + std::to_string(failed[0]) + ", 更新 " + std::to_string(failed[1]) +
             ", 削除 " + std::to_string(failed[2]) + "。" +
             (onlyPassing ? "もう一度公開すると残りを送ります。"
                          : "サーバーが受け付けなかったものは、もう一度公開しても同じです。"));
  return 1;
}

}  // namespace plandor::ics
