#pragma once
// HTTP for the CalDAV publish: one libcurl handle, the user's login, and the
// URL helpers; private to plandor-ics.
#include <curl/curl.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace plandor::ics {

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
  ~Http();
  Http(const Http&) = delete;
  Http& operator=(const Http&) = delete;

  bool ready() const { return curl_ != nullptr; }
  void setLogin(std::string user, std::string password) {
    user_ = std::move(user);
    password_ = std::move(password);
  }

  // The body goes to `sink` when one is given, else into the response.
  Response request(const char* method, const std::string& url, const std::vector<std::string>& headers,
                   const std::string& body, const Sink& sink = {}, long quietSeconds = 60);

 private:
  static std::size_t toSink(char* data, std::size_t size, std::size_t n, void* user);

  CURL* curl_;
  std::string user_;
  std::string password_;
};

std::string resolve(const std::string& base, const std::string& ref);
// The URL as it may be shown: without a user name or password in it.
std::string shownUrl(const std::string& url);
std::string urlPart(const std::string& url, CURLUPart part);

}  // namespace plandor::ics
