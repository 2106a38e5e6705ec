// URL retrieval: the body behind an http or https URL.
#include "files/web.h"

#include <curl/curl.h>

#include <cstdlib>
#include <string_view>

#include "base/interrupt.h"
#include "base/library.h"
#include "base/text.h"

namespace corvel {

namespace {

// libcurl's functions, loaded and set up when a script first fetches: the
// library pulls in dozens of others, which would slow every start.
struct Curl {
  decltype(&curl_easy_init) init = nullptr;
  decltype(&curl_easy_setopt) setopt = nullptr;
  decltype(&curl_easy_perform) perform = nullptr;
  decltype(&curl_easy_cleanup) cleanup = nullptr;
  bool ready = false;
};

const Curl& curl() {
  static const Curl instance = [] {
    constexpr const char* kPurpose = "geturl";
    void* library = requireLibrary("libcurl.so.4", kPurpose);
    Curl c;
    auto globalInit = requireFunction<decltype(&curl_global_init)>(
        library, "curl_global_init", kPurpose);
    c.init = requireFunction<decltype(&curl_easy_init)>(
        library, "curl_easy_init", kPurpose);
    c.setopt = requireFunction<decltype(&curl_easy_setopt)>(
        library, "curl_easy_setopt", kPurpose);
    c.perform = requireFunction<decltype(&curl_easy_perform)>(
        library, "curl_easy_perform", kPurpose);
    c.cleanup = requireFunction<decltype(&curl_easy_cleanup)>(
        library, "curl_easy_cleanup", kPurpose);
    c.ready = globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    return c;
  }();
  return instance;
}

std::size_t collectBody(char* data, std::size_t size, std::size_t count,
                        void* body) {
  static_cast<std::string*>(body)->append(data, size * count);
  return size * count;
}

// Percent-encodes the bytes no URL may hold as they are (blanks, control
// characters, bytes of non-ASCII characters and a few reserved marks), so that
// a path written plainly still reaches its server. What is encoded already
// stays as it is.
std::string encodedUrl(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F ||
        std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos) {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

// A signal that stops the run interrupts a retrieval that is under way.
int keepGoing(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return pendingStop != 0 ? 1 : 0;
}

long timeoutSeconds() {
  // Tests shorten the wait; nothing else should set this.
  if (const char* setting = std::getenv("CORVEL_GETURL_TIMEOUT")) {
    long seconds = std::strtol(setting, nullptr, 10);
    if (seconds > 0) return seconds;
  }
  return 100;
}

}  // namespace

std::string fetchUrl(const std::string& url) {
  if (url.empty() || url.find('\0') != std::string::npos) return std::string();
  const Curl& c = curl();
  if (!c.ready) return std::string();
  CURL* handle = c.init();
  if (handle == nullptr) return std::string();
  std::string body;
  std::string encoded = encodedUrl(url);
  c.setopt(handle, CURLOPT_URL, encoded.c_str());
  c.setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  c.setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  c.setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  c.setopt(handle, CURLOPT_MAXREDIRS, 50L);
  c.setopt(handle, CURLOPT_TIMEOUT, timeoutSeconds());
  c.setopt(handle, CURLOPT_NOSIGNAL, 1L);
  c.setopt(handle, CURLOPT_WRITEFUNCTION, collectBody);
  c.setopt(handle, CURLOPT_WRITEDATA, &body);
  c.setopt(handle, CURLOPT_NOPROGRESS, 0L);
  c.setopt(handle, CURLOPT_XFERINFOFUNCTION, keepGoing);
  bool received = c.perform(handle) == CURLE_OK;
  c.cleanup(handle);
  if (!received) return std::string();
  // Bytes that are not UTF-8 become U+FFFD rather than losing the page.
  return repairUtf8(body);
}

}  // namespace corvel
