// The server's WebDAV answers read with expat: the multistatus of a listing
// or a multiget, and what a PROPFIND says the target is.
#include <expat.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "caldav.h"

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

}  // namespace plandor::ics
