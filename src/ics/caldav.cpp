#include "caldav.h"

#include <curl/curl.h>
#include <expat.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plandor::ics {

// Expat joins a namespace and a local name with this.
constexpr char kNsSep = '|';

struct MultistatusReader::State {
  std::function<void(RemoteItem&&)> take;
  std::function<void(std::string&&)> listed;
  XML_Parser parser = nullptr;
  std::string href, etag, text, data;
  bool multistatus = false;
  bool failed = false;
  int depth = 0;
};

namespace {

std::string trimmed(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

void XMLCALL startElement(void* user, const XML_Char* name, const XML_Char**) {
  auto* r = static_cast<MultistatusReader::State*>(user);
  if (r->depth++ == 0) r->multistatus = std::strcmp(name, "DAV:|multistatus") == 0;
  r->text.clear();
}

void XMLCALL characters(void* user, const XML_Char* s, int len) {
  static_cast<MultistatusReader::State*>(user)->text.append(s, static_cast<std::size_t>(len));
}

// The first event, journal or task of a calendar object.
icalcomponent* firstItem(icalcomponent* cal) {
  if (!cal || icalcomponent_isa(cal) != ICAL_VCALENDAR_COMPONENT) return nullptr;
  for (icalcomponent* c = icalcomponent_get_first_component(cal, ICAL_ANY_COMPONENT); c;
       c = icalcomponent_get_next_component(cal, ICAL_ANY_COMPONENT)) {
    const icalcomponent_kind k = icalcomponent_isa(c);
    if (k == ICAL_VEVENT_COMPONENT || k == ICAL_VJOURNAL_COMPONENT || k == ICAL_VTODO_COMPONENT) return c;
  }
  return nullptr;
}

void XMLCALL endElement(void* user, const XML_Char* name) {
  auto* r = static_cast<MultistatusReader::State*>(user);
  --r->depth;
  const std::string_view n(name);
  if (n == "DAV:|href" && r->href.empty()) {
    r->href = trimmed(r->text);
  } else if (n == "DAV:|getetag" && !trimmed(r->text).empty()) {
    r->etag = trimmed(r->text);
  } else if (n == "urn:ietf:params:xml:ns:caldav|calendar-data") {
    r->data.swap(r->text);
  } else if (n == "DAV:|response" && r->listed) {
    if (!r->href.empty() && r->href.back() != '/') r->listed(std::move(r->href));
    r->href.clear();
  } else if (n == "DAV:|response") {
    // Only this program's items are kept; a quick look spares the others
    // the parse.
    if (!r->href.empty() && r->data.find(kUidSuffix) != std::string::npos) {
      Component cal(icalparser_parse_string(r->data.c_str()));
      icalcomponent* item = firstItem(cal.get());
      const char* uid = item ? icalcomponent_get_uid(item) : nullptr;
      if (const auto date = uid ? ownUidDate(uid) : std::nullopt)
        r->take(RemoteItem{std::move(r->href), std::move(r->etag), uid, *date, comparableDigest(cal.get())});
    }
    r->href.clear();
    r->etag.clear();
    r->data.clear();
  }
  r->text.clear();
}

}  // namespace

MultistatusReader::MultistatusReader(std::function<void(RemoteItem&&)> take) : state_(std::make_unique<State>()) {
  state_->take = std::move(take);
  state_->parser = XML_ParserCreateNS("UTF-8", kNsSep);
  XML_SetUserData(state_->parser, state_.get());
  XML_SetElementHandler(state_->parser, startElement, endElement);
  XML_SetCharacterDataHandler(state_->parser, characters);
}

MultistatusReader::MultistatusReader(std::function<void(std::string&&)> listed)
    : MultistatusReader(std::function<void(RemoteItem&&)>()) {
  state_->listed = std::move(listed);
}

MultistatusReader::~MultistatusReader() { XML_ParserFree(state_->parser); }

bool MultistatusReader::feed(const char* data, std::size_t size) {
  while (!state_->failed && size > 0) {
    const int piece = static_cast<int>(std::min<std::size_t>(size, 1 << 20));
    state_->failed = XML_Parse(state_->parser, data, piece, 0) != XML_STATUS_OK;
    data += piece, size -= static_cast<std::size_t>(piece);
  }
  return !state_->failed;
}

bool MultistatusReader::finish() {
  if (!state_->failed) state_->failed = XML_Parse(state_->parser, "", 0, 1) != XML_STATUS_OK;
  return !state_->failed && state_->multistatus;
}

std::optional<std::vector<RemoteItem>> parseMultistatus(std::string_view xml) {
  std::vector<RemoteItem> items;
  MultistatusReader reader([&](RemoteItem&& r) { items.push_back(std::move(r)); });
  reader.feed(xml.data(), xml.size());
  if (!reader.finish()) return std::nullopt;
  return items;
}

namespace {

struct CollectionReader {
  CollectionInfo info;
  std::vector<std::string> path;  // open elements
  bool multistatus = false;
  bool inResponse = false, sawResponse = false;
};

void XMLCALL collectionStart(void* user, const XML_Char* name, const XML_Char** attributes) {
  auto* r = static_cast<CollectionReader*>(user);
  const std::string n(name);
  if (r->path.empty()) r->multistatus = n == "DAV:|multistatus";
  const std::string parent = r->path.empty() ? "" : r->path.back();
  r->path.push_back(n);
  // Only the first response: the one of the URL itself.
  if (n == "DAV:|response") r->inResponse = !r->sawResponse, r->sawResponse = true;
  if (!r->inResponse) return;
  if (parent == "DAV:|resourcetype") {
    if (n == "DAV:|collection") r->info.collection = true;
    if (n == "urn:ietf:params:xml:ns:caldav|calendar") r->info.calendar = true;
    if (n == "DAV:|principal") r->info.principal = true;
  }
  if (parent == "urn:ietf:params:xml:ns:caldav|supported-calendar-component-set" &&
      n == "urn:ietf:params:xml:ns:caldav|comp")
    for (const XML_Char** a = attributes; a && a[0]; a += 2)
      if (std::strcmp(a[0], "name") == 0) {
        std::string comp = a[1];
        for (char& c : comp) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        r->info.components.insert(comp);
      }
}

void XMLCALL collectionEnd(void* user, const XML_Char* name) {
  auto* r = static_cast<CollectionReader*>(user);
  if (std::strcmp(name, "DAV:|response") == 0) r->inResponse = false;
  r->path.pop_back();
}

}  // namespace

std::optional<CollectionInfo> parseCollectionInfo(std::string_view xml) {
  CollectionReader reader;
  XML_Parser parser = XML_ParserCreateNS("UTF-8", kNsSep);
  XML_SetUserData(parser, &reader);
  XML_SetElementHandler(parser, collectionStart, collectionEnd);
  const bool ok = XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1) == XML_STATUS_OK;
  XML_ParserFree(parser);
  if (!ok || !reader.multistatus || !reader.sawResponse) return std::nullopt;
  return reader.info;
}

bool worthReading(std::string_view href, const LocalDate& from, const LocalDate& to) {
  const std::string_view name = href.substr(href.find_last_of('/') + 1);
  constexpr std::string_view ownEnd = "-plandor.ics";
  if (name.size() <= ownEnd.size() || name.substr(name.size() - ownEnd.size()) != ownEnd) return true;
  const std::string uid = std::string(name.substr(0, name.size() - ownEnd.size())) + std::string(kUidSuffix);
  const auto date = ownUidDate(uid);
  if (!date) return true;
  return toSerialDate(*date) >= toSerialDate(from) && toSerialDate(*date) <= toSerialDate(to);
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

void Reconciler::add(RemoteItem&& remote) {
  const double d = toSerialDate(remote.date);
  if (d < first_ || d > last_) return;  // outside the range: left as last published
  const auto [it, fresh] = byUid_.try_emplace(remote.uid);
  if (fresh) it->second = std::move(remote);
  else extra_.push_back(std::move(remote));  // a copy under another name (an import)
}

Step Reconciler::stepFor(const Item& item) {
  wanted_.insert(item.uid);
  const auto it = byUid_.find(item.uid);
  if (it == byUid_.end()) return {Step::Kind::Create, item.uid, resourceName(item.uid), ""};
  const RemoteItem& r = it->second;
  if (!r.digest.empty() && r.digest == comparableDigest(item.component.get())) return {Step::Kind::None, item.uid, r.href, r.etag};
  // The same UID is the same event: it is replaced where it is, however it
  // was moved or changed there.
  return {Step::Kind::Update, item.uid, r.href, r.etag};
}

std::vector<Step> Reconciler::deletions() const {
  std::vector<Step> out;
  for (const auto& [uid, r] : byUid_)
    if (!wanted_.count(uid)) out.push_back({Step::Kind::Delete, uid, r.href, r.etag});
  for (const RemoteItem& r : extra_) out.push_back({Step::Kind::Delete, r.uid, r.href, r.etag});
  return out;
}

Plan planPublish(const std::vector<Item>& items, std::vector<RemoteItem> remote, const LocalDate& from,
                 const LocalDate& to) {
  Reconciler reconciler(from, to);
  for (RemoteItem& r : remote) reconciler.add(std::move(r));
  Plan plan;
  for (const Item& item : items) {
    Step s = reconciler.stepFor(item);
    if (s.kind == Step::Kind::None) ++plan.unchanged;
    else plan.steps.push_back(std::move(s));
  }
  for (Step& s : reconciler.deletions()) plan.steps.push_back(std::move(s));
  return plan;
}

std::optional<std::string> netrcPassword(std::string_view netrc, std::string_view host, std::string_view login,
                                         bool encrypted) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < netrc.size()) {
    while (i < netrc.size() && std::isspace(static_cast<unsigned char>(netrc[i]))) ++i;
    if (i >= netrc.size()) break;
    std::string token;
    if (netrc[i] == '"') {  // a quoted token, with \" and \\ inside
      for (++i; i < netrc.size() && netrc[i] != '"'; ++i) {
        if (netrc[i] == '\\' && i + 1 < netrc.size()) ++i;
        token += netrc[i];
      }
      ++i;
    } else {
      while (i < netrc.size() && !std::isspace(static_cast<unsigned char>(netrc[i]))) token += netrc[i++];
    }
    if (token == "macdef") {
      // A macro runs to the next empty line.
      const std::size_t end = netrc.find("\n\n", i);
      i = end == std::string_view::npos ? netrc.size() : end + 2;
      continue;
    }
    tokens.push_back(std::move(token));
  }
  // Entries: "machine NAME" or "default", then key/value pairs.
  std::optional<std::string> fromDefault;
  for (std::size_t t = 0; t < tokens.size();) {
    bool isDefault = tokens[t] == "default", matches = false;
    if (tokens[t] == "machine" && t + 1 < tokens.size()) {
      matches = tokens[t + 1] == host;
      t += 2;
    } else if (isDefault) {
      ++t;
    } else {
      ++t;  // a stray token
      continue;
    }
    std::optional<std::string> entryLogin, entryPassword;
    while (t < tokens.size() && tokens[t] != "machine" && tokens[t] != "default") {
      const std::string& key = tokens[t];
      const bool hasValue = t + 1 < tokens.size();
      if (key == "login" && hasValue) entryLogin = tokens[t + 1];
      else if (key == "password" && hasValue) entryPassword = tokens[t + 1];
      t += hasValue ? 2 : 1;
    }
    if (!entryPassword || entryLogin != login) continue;
    if (matches) return entryPassword;
    if (isDefault && encrypted && !fromDefault) fromDefault = entryPassword;
  }
  return fromDefault;
}

namespace {

void complain(const std::string& text) { std::fprintf(stderr, "plandor-ics: %s\n", text.c_str()); }

class Http {
 public:
  struct Response {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string body;
    std::string location;  // a redirect's target, not followed
    std::string error;     // transport failure, for the user
  };
  using Sink = std::function<void(const char*, std::size_t)>;

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
  void setLogin(std::string user, std::string password) {
    user_ = std::move(user);
    password_ = std::move(password);
  }

  // The body goes to `sink` when one is given, else into the response.
  Response request(const char* method, const std::string& url, const std::vector<std::string>& headers,
                   const std::string& body, const Sink& sink = {}, long quietSeconds = 60) {
    Response r;
    curl_easy_reset(curl_);
    curl_slist* list = nullptr;
    for (const std::string& h : headers) list = curl_slist_append(list, h.c_str());
    list = curl_slist_append(list, "Expect:");
    char errorBuffer[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl_, CURLOPT_URL, url.c_str());
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
    curl_easy_setopt(curl_, CURLOPT_LOW_SPEED_TIME, quietSeconds);
    curl_easy_setopt(curl_, CURLOPT_USERAGENT, "plandor-ics");
    curl_easy_setopt(curl_, CURLOPT_ERRORBUFFER, errorBuffer);
    // The password comes from the user's choices only (see publish), never
    // from curl's own reading of ~/.netrc, which matches the machine alone.
    curl_easy_setopt(curl_, CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    if (!user_.empty()) {
      curl_easy_setopt(curl_, CURLOPT_HTTPAUTH, CURLAUTH_BASIC);
      curl_easy_setopt(curl_, CURLOPT_USERNAME, user_.c_str());
      curl_easy_setopt(curl_, CURLOPT_PASSWORD, password_.c_str());
    }
    Sink collect = [&r](const char* data, std::size_t n) { r.body.append(data, n); };
    const Sink* to = sink ? &sink : &collect;
    curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &Http::toSink);
    curl_easy_setopt(curl_, CURLOPT_WRITEDATA, to);
    r.code = curl_easy_perform(curl_);
    if (r.code == CURLE_OK) {
      curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &r.status);
      char* location = nullptr;
      if (curl_easy_getinfo(curl_, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) r.location = location;
    } else {
      r.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(r.code);
    }
    curl_slist_free_all(list);
    return r;
  }

 private:
  static std::size_t toSink(char* data, std::size_t size, std::size_t n, void* user) {
    (*static_cast<const Sink*>(user))(data, size * n);
    return size * n;
  }

  CURL* curl_;
  std::string user_;
  std::string password_;
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

// The user's ~/.netrc: a password when it names this machine and login,
// nothing when there is none; an error when it is readable by others.
struct NetrcLookup {
  std::optional<std::string> password;
  std::string refusal;
};

NetrcLookup readNetrc(const std::string& host, const std::string& login, bool encrypted) {
  NetrcLookup out;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return out;
  const std::string path = std::string(home) + "/.netrc";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return out;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return out;
  }
  if (st.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) {
    ::close(fd);
    out.refusal = path + " は他のユーザーも読めるので、パスワードを使いません。chmod 600 " + path +
                  " で自分だけが読めるようにしてください。何も送っていません。";
    return out;
  }
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0 && text.size() < (1u << 20);)
    text.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  out.password = netrcPassword(text, host, login, encrypted);
  volatile char* p = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) p[i] = 0;
  return out;
}

std::string urlPart(const std::string& url, CURLUPart part) {
  CURLU* u = curl_url();
  std::string out;
  char* text = nullptr;
  if (curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK && curl_url_get(u, part, &text, 0) == CURLUE_OK)
    out = text;
  curl_free(text);
  curl_url_cleanup(u);
  return out;
}

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
