#include "caldav.h"

#include <curl/curl.h>
#include <expat.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

namespace plandor::ics {
namespace {

// Expat joins a namespace and a local name with this.
constexpr char kNsSep = '|';

struct MultistatusReader {
  std::vector<RemoteItem> items;
  RemoteItem current;
  std::string text, data;
  bool multistatus = false;
  int depth = 0;
};

void XMLCALL startElement(void* user, const XML_Char* name, const XML_Char**) {
  auto* r = static_cast<MultistatusReader*>(user);
  if (r->depth++ == 0) r->multistatus = std::strcmp(name, "DAV:|multistatus") == 0;
  r->text.clear();
}

void XMLCALL characters(void* user, const XML_Char* s, int len) {
  static_cast<MultistatusReader*>(user)->text.append(s, static_cast<std::size_t>(len));
}

std::string trimmed(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

void XMLCALL endElement(void* user, const XML_Char* name) {
  auto* r = static_cast<MultistatusReader*>(user);
  --r->depth;
  const std::string_view n(name);
  if (n == "DAV:|href" && r->current.href.empty()) {
    r->current.href = trimmed(r->text);
  } else if (n == "DAV:|getetag" && !trimmed(r->text).empty()) {
    r->current.etag = trimmed(r->text);
  } else if (n == "urn:ietf:params:xml:ns:caldav|calendar-data" && !r->text.empty()) {
    r->data = r->text;
  } else if (n == "DAV:|response") {
    if (!r->current.href.empty() && !r->data.empty()) {
      Component cal(icalparser_parse_string(r->data.c_str()));
      icalcomponent* inner = nullptr;
      if (cal && icalcomponent_isa(cal.get()) == ICAL_VCALENDAR_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(cal.get(), ICAL_ANY_COMPONENT); c && !inner;
             c = icalcomponent_get_next_component(cal.get(), ICAL_ANY_COMPONENT)) {
          const icalcomponent_kind k = icalcomponent_isa(c);
          if (k == ICAL_VEVENT_COMPONENT || k == ICAL_VJOURNAL_COMPONENT || k == ICAL_VTODO_COMPONENT) inner = c;
        }
      }
      if (inner) {
        const char* uid = icalcomponent_get_uid(inner);
        r->current.uid = uid ? uid : "";
        r->current.mark = plannerMark(inner);
        r->current.item = Component(icalcomponent_new_clone(inner));
      }
    }
    r->items.push_back(std::move(r->current));
    r->current = RemoteItem{};
    r->data.clear();
  }
  r->text.clear();
}

std::string firstValue(icalcomponent* c, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(c, kind);
  if (!p) return {};
  const char* v = icalproperty_get_value_as_string(p);
  return v ? v : "";
}

// The server holds what this program would send: the same digest, and the
// fields a calendar shows still as sent (another client may have edited
// them and kept the digest).
bool sameItem(const Item& item, const RemoteItem& remote) {
  if (!remote.mark || remote.mark->hash != item.hash || !remote.item) return false;
  icalcomponent* a = item.component.get();
  icalcomponent* b = remote.item.get();
  if (icalcomponent_isa(a) != icalcomponent_isa(b)) return false;
  for (icalproperty_kind k : {ICAL_DTSTART_PROPERTY, ICAL_DTEND_PROPERTY, ICAL_SUMMARY_PROPERTY,
                              ICAL_DESCRIPTION_PROPERTY, ICAL_COLOR_PROPERTY})
    if (firstValue(a, k) != firstValue(b, k)) return false;
  return true;
}

}  // namespace

std::optional<std::vector<RemoteItem>> parseMultistatus(std::string_view xml) {
  MultistatusReader reader;
  XML_Parser parser = XML_ParserCreateNS("UTF-8", kNsSep);
  XML_SetUserData(parser, &reader);
  XML_SetElementHandler(parser, startElement, endElement);
  XML_SetCharacterDataHandler(parser, characters);
  const bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  if (!ok || !reader.multistatus) return std::nullopt;
  return std::move(reader.items);
}

std::string resourceName(std::string_view uid) {
  std::string name;
  for (char c : uid) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.';
    name += safe ? c : '-';
  }
  return name + ".ics";
}

Plan planPublish(const std::vector<Item>& items, const std::vector<RemoteItem>& remote, const LocalDate& from,
                 const LocalDate& to) {
  Plan plan;
  std::map<std::string, const RemoteItem*> byUid;
  for (const RemoteItem& r : remote)
    if (!r.uid.empty()) byUid.emplace(r.uid, &r);
  std::set<std::string> wanted;
  for (const Item& item : items) {
    wanted.insert(item.uid);
    const auto it = byUid.find(item.uid);
    if (it == byUid.end()) {
      plan.steps.push_back({Step::Kind::Create, item.uid, resourceName(item.uid), "", &item});
    } else if (sameItem(item, *it->second)) {
      ++plan.unchanged;
    } else {
      // The same UID is the same event, even one exported before items
      // carried their date: it is replaced where it is.
      plan.steps.push_back({Step::Kind::Update, item.uid, it->second->href, it->second->etag, &item});
    }
  }
  const double first = toSerialDate(from), last = toSerialDate(to);
  for (const RemoteItem& r : remote) {
    if (!r.mark || wanted.count(r.mark->uid)) continue;
    const double d = toSerialDate(r.mark->date);
    if (d < first || d > last) continue;
    plan.steps.push_back({Step::Kind::Delete, r.mark->uid, r.href, r.etag, nullptr});
  }
  return plan;
}

namespace {

void complain(const std::string& text) { std::fprintf(stderr, "plandor-ics: %s\n", text.c_str()); }

std::string withUser(const std::string& url, const std::string& user) {
  CURLU* u = curl_url();
  std::string out = url;
  char* text = nullptr;
  if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_set(u, CURLUPART_USER, user.c_str(), CURLU_URLENCODE) == CURLUE_OK &&
      curl_url_get(u, CURLUPART_URL, &text, 0) == CURLUE_OK)
    out = text;
  curl_free(text);
  curl_url_cleanup(u);
  return out;
}

class Http {
 public:
  struct Response {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    std::string error;  // transport failure, for the user
  };

  Http() : curl_(curl_easy_init()) {}
  ~Http() {
    if (curl_) curl_easy_cleanup(curl_);
    if (!password_.empty()) {
      // Do not leave the password lying in freed memory.
      volatile char* p = password_.data();
      for (std::size_t i = 0; i < password_.size(); ++i) p[i] = 0;
    }
  }
  Http(const Http&) = delete;
  Http& operator=(const Http&) = delete;

  bool ready() const { return curl_ != nullptr; }
  void setUser(const std::optional<std::string>& user) { user_ = user; }
  void setPassword(std::string password) { password_ = std::move(password), havePassword_ = true; }
  bool havePassword() const { return havePassword_; }

  Response request(const char* method, const std::string& url, const std::vector<std::string>& headers,
                   const std::string& body) {
    Response r;
    curl_easy_reset(curl_);
    curl_slist* list = nullptr;
    for (const std::string& h : headers) list = curl_slist_append(list, h.c_str());
    list = curl_slist_append(list, "Expect:");
    char errorBuffer[CURL_ERROR_SIZE] = "";
    // With no password yet, the user name goes into the URL: curl then
    // takes that login's password from ~/.netrc, which it does not for a
    // name set on its own.
    const std::string target = user_ && !havePassword_ ? withUser(url, *user_) : url;
    curl_easy_setopt(curl_, CURLOPT_URL, target.c_str());
    curl_easy_setopt(curl_, CURLOPT_CUSTOMREQUEST, method);
    curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, list);
    if (!body.empty() || std::strcmp(method, "PUT") == 0) {
      curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.data());
      curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    }
    curl_easy_setopt(curl_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl_, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, "plandor-ics");
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
    curl_easy_setopt(curl_, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_OPTIONAL));
    if (user_ && havePassword_) curl_easy_setopt(curl_, CURLOPT_USERNAME, user_->c_str());
    if (havePassword_) curl_easy_setopt(curl_, CURLOPT_PASSWORD, password_.c_str());
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Http::collectBody);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &r.body);
    r.code = curl_easy_perform(curl_);
    if (r.code == CURLE_OK) {
      curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &r.status);
    } else {
      r.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(r.code);
    }
    curl_slist_free_all(list);
    return r;
  }

 private:
  static std::size_t collectBody(char* data, std::size_t size, std::size_t n, void* user) {
    static_cast<std::string*>(user)->append(data, size * n);
    return size * n;
  }

  CURL* curl_;
  std::optional<std::string> user_;
  std::string password_;
  bool havePassword_ = false;
};

// The terminal as it was before the prompt, put back if a signal ends the
// program while echo is off.
int promptFd = -1;
termios promptSaved{};

void restoreTerminalAndDie(int sig) {
  if (promptFd >= 0) ::tcsetattr(promptFd, TCSAFLUSH, &promptSaved);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

// Asks on the terminal, not echoed; nothing when there is no terminal or
// the input ends first.
std::optional<std::string> askPassword(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (::tcgetattr(fd, &promptSaved) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  termios quiet = promptSaved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  promptFd = fd;
  const auto oldInt = ::signal(SIGINT, restoreTerminalAndDie);
  const auto oldTerm = ::signal(SIGTERM, restoreTerminalAndDie);
  const auto oldHup = ::signal(SIGHUP, restoreTerminalAndDie);
  ::tcsetattr(fd, TCSAFLUSH, &quiet);
  [[maybe_unused]] ssize_t w = ::write(fd, prompt.data(), prompt.size());
  std::string line;
  bool ended = false;
  char c;
  while (true) {
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') {
      ended = true;
      break;
    }
    line += c;
  }
  ::tcsetattr(fd, TCSAFLUSH, &promptSaved);
  ::signal(SIGINT, oldInt);
  ::signal(SIGTERM, oldTerm);
  ::signal(SIGHUP, oldHup);
  promptFd = -1;
  ::close(fd);
  if (!ended && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string resolve(const std::string& base, const std::string& ref) {
  CURLU* u = curl_url();
  std::string out;
  char* text = nullptr;
  if (curl_url_set(u, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
      curl_url_set(u, CURLUPART_URL, ref.c_str(), 0) == CURLUE_OK &&
      curl_url_get(u, CURLUPART_URL, &text, 0) == CURLUE_OK)
    out = text;
  curl_free(text);
  curl_url_cleanup(u);
  return out;
}

// The URL as it may be shown: without a user name or password in it.
std::string shownUrl(const std::string& url) {
  CURLU* u = curl_url();
  std::string out = "(URL)";
  char* text = nullptr;
  if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
    curl_url_set(u, CURLUPART_USER, nullptr, 0);
    curl_url_set(u, CURLUPART_PASSWORD, nullptr, 0);
    if (curl_url_get(u, CURLUPART_URL, &text, 0) == CURLUE_OK) out = text;
  }
  curl_free(text);
  curl_url_cleanup(u);
  return out;
}

std::string utcStamp(const LocalDate& d) { return dateStem(d) + "T000000Z"; }

std::string calendarQuery(const char* kind, const LocalDate& from, const LocalDate& to) {
  // A day of margin each side: floating times are compared in the server's zone.
  const LocalDate start = fromSerialDate(toSerialDate(from) - 1);
  const LocalDate end = fromSerialDate(toSerialDate(to) + 3);
  return std::string(
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
             "<C:calendar-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">\n"
             " <D:prop><D:getetag/><C:calendar-data/></D:prop>\n"
             " <C:filter><C:comp-filter name=\"VCALENDAR\"><C:comp-filter name=\"") +
         kind + "\"><C:time-range start=\"" + utcStamp(start) + "\" end=\"" + utcStamp(end) +
         "\"/></C:comp-filter></C:comp-filter></C:filter>\n</C:calendar-query>\n";
}

std::string statusText(const Http::Response& r) {
  if (r.code != CURLE_OK) return r.error;
  return "HTTP " + std::to_string(r.status);
}

const char* kindName(Step::Kind k) {
  switch (k) {
    case Step::Kind::Create: return "新規";
    case Step::Kind::Update: return "更新";
    case Step::Kind::Delete: return "削除";
  }
  return "";
}

}  // namespace

int publish(const PublishTarget& target, const std::vector<Item>& items, const LocalDate& from,
            const LocalDate& to) {
  std::string collection = target.url;
  if (collection.empty() || collection.back() != '/') collection += '/';
  if (resolve(collection, collection).empty()) {
    complain("URL \"" + shownUrl(target.url) + "\" が正しくありません。");
    return 2;
  }
  const std::string shown = shownUrl(collection);
  Http http;
  if (!http.ready()) {
    complain("HTTP を使えません (libcurl)。");
    return 1;
  }
  http.setUser(target.user);
  if (const char* pw = std::getenv("PLANDOR_CALDAV_PASSWORD")) http.setPassword(pw);

  // What the server holds near the range, events and journals.
  std::vector<RemoteItem> remote;
  const std::vector<std::string> reportHeaders = {"Depth: 1", "Content-Type: application/xml; charset=utf-8"};
  bool asked = false;
  for (const char* kind : {"VEVENT", "VJOURNAL"}) {
    Http::Response r = http.request("REPORT", collection, reportHeaders, calendarQuery(kind, from, to));
    if (r.code == CURLE_OK && r.status == 401 && !http.havePassword() && !asked) {
      asked = true;
      const std::string who = target.user ? *target.user + " の" : "";
      if (const auto pw = askPassword(shown + " " + who + "パスワード: ")) {
        http.setPassword(*pw);
        r = http.request("REPORT", collection, reportHeaders, calendarQuery(kind, from, to));
      }
    }
    if (r.code != CURLE_OK || r.status != 207) {
      std::string why = statusText(r);
      if (r.code == CURLE_OK && r.status == 401) why += " (ユーザー名かパスワードが違います)";
      if (r.code == CURLE_OK && r.status == 404) why += " (カレンダーがありません)";
      complain(shown + " の予定を読めません: " + why + "。何も送っていません。");
      return 1;
    }
    auto listed = parseMultistatus(r.body);
    if (!listed) {
      complain(shown + " の返事が CalDAV の一覧ではありません。何も送っていません。");
      return 1;
    }
    for (RemoteItem& item : *listed) remote.push_back(std::move(item));
  }

  const Plan plan = planPublish(items, remote, from, to);
  const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
  const bool progress = ::isatty(STDERR_FILENO) && plan.steps.size() >= 10;
  int done[3] = {0, 0, 0}, failed[3] = {0, 0, 0};
  std::vector<std::string> failures;
  bool cutOff = false;  // the connection failed: the rest is not tried
  for (std::size_t i = 0; i < plan.steps.size(); ++i) {
    const Step& s = plan.steps[i];
    const int k = static_cast<int>(s.kind);
    if (cutOff) {
      ++failed[k];
      continue;
    }
    if (progress) std::fprintf(stderr, "\r送信中 %zu/%zu", i + 1, plan.steps.size());
    const std::string url = resolve(collection, s.href);
    Http::Response r;
    if (s.kind == Step::Kind::Delete) {
      r = http.request("DELETE", url, {"If-Match: " + s.etag}, "");
    } else {
      std::vector<std::string> headers = {"Content-Type: text/calendar; charset=utf-8"};
      if (s.kind == Step::Kind::Create) headers.push_back("If-None-Match: *");
      else if (!s.etag.empty()) headers.push_back("If-Match: " + s.etag);
      r = http.request("PUT", url, headers, resourceFile(*s.item, stamp));
    }
    // A deletion of what is already gone has done its work.
    const bool ok = r.code == CURLE_OK && ((r.status >= 200 && r.status < 300) ||
                                           (s.kind == Step::Kind::Delete && r.status == 404));
    if (ok) {
      ++done[k];
      continue;
    }
    ++failed[k];
    std::string why = statusText(r);
    if (r.code == CURLE_OK && r.status == 412) why += " (サーバー上で変わっていました)";
    failures.push_back(std::string(kindName(s.kind)) + " " + s.uid + ": " + why);
    if (r.code != CURLE_OK) cutOff = true;
  }
  if (progress) std::fputs("\r\033[K", stderr);

  std::printf("%s: 新規 %d, 更新 %d, 削除 %d, 変更なし %d\n", shown.c_str(), done[0], done[1], done[2],
              plan.unchanged);
  std::fflush(stdout);
  if (failures.empty() && !cutOff) return 0;
  for (const std::string& f : failures) complain("送れませんでした: " + f);
  complain("送れなかったもの: 新規 " + std::to_string(failed[0]) + ", 更新 " + std::to_string(failed[1]) +
           ", 削除 " + std::to_string(failed[2]) + "。もう一度公開すると残りを送ります。");
  return 1;
}

}  // namespace plandor::ics
