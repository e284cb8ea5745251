#include "caldavhttp.h"

#include <cstring>

namespace plandor::ics {

Http::~Http() {
  if (curl_) curl_easy_cleanup(curl_);
  if (!password_.empty()) {
    // Do not leave the password lying in freed memory.
    volatile char* p = password_.data();
    for (std::size_t i = 0; i < password_.size(); ++i) p[i] = 0;
  }
}

Http::Response Http::request(const char* method, const std::string& url, const std::vector<std::string>& headers,
                             const std::string& body, const Sink& sink, long quietSeconds) {
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

std::size_t Http::toSink(char* data, std::size_t size, std::size_t n, void* user) {
  (*static_cast<const Sink*>(user))(data, size * n);
  return size * n;
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

}  // namespace plandor::ics
