// File-system, shell and network commands: fexists, unlink, mkdir, readdir,
// system, geturl.
#include "commands/system_commands.h"

#include <curl/curl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "commands/checks.h"
#include "files/corvel_dir.h"
#include "files/corvel_file.h"
#include "interpreter/console.h"
#include "values/text.h"

namespace corvel {

namespace {

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

long timeoutSeconds() {
  // Tests shorten the wait; nothing else should set this.
  if (const char* setting = std::getenv("CORVEL_GETURL_TIMEOUT")) {
    long seconds = std::strtol(setting, nullptr, 10);
    if (seconds > 0) return seconds;
  }
  return 100;
}

}  // namespace

void method_fexists(VariableList& vars, const std::string& path,
                    const VarRef& target) {
  CorvelVariable& result =
      requireVariable(vars, target, Type::Int, "Not an int: $");
  result.value = std::int32_t{pathKind(path)};
}

void method_unlink(const std::string& path) {
  if (pathKind(path) == 0)
    fail("File/directory doesn't exitst: $" + path + "\n", 1);
  // A symbolic link is removed itself, never what it points to. A refusal is
  // not reported.
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(path), ignored);
}

void method_mkdir(const std::string& path) {
  if (pathKind(path) != 0) fail("File/directory exists: $" + path + "\n", 1);
  // Missing parents are not made, and a refusal is not reported.
  ::mkdir(path.c_str(), 0777);
}

void method_readdir(VariableList& vars, const VarRef& array,
                    const std::string& path) {
  std::shared_ptr<List> listing = CorvelDir().getDirectoryListing(path);
  if (!listing) listing = std::make_shared<List>();
  CorvelVariable& result =
      requireVariable(vars, array, Type::Array, "Not an array: $");
  result.value = std::move(listing);
}

void method_system(const std::string& command) {
  // The child shares the console and may read the files the script writes: it
  // must see our output and written text first, and the input we have not used.
  flushOpenFiles();
  consoleFlush();
  consoleReleaseInput();
  if (command.find('\0') != std::string::npos) return;
  [[maybe_unused]] int status = std::system(command.c_str());
}

void method_geturl(VariableList& vars, const std::string& url,
                   const VarRef& target) {
  CorvelVariable& result =
      requireVariable(vars, target, Type::String, "Not a string: $");
  consoleFlush();
  result.value = std::optional<std::string>(fetchUrl(url));
}

std::string fetchUrl(const std::string& url) {
  if (url.empty() || url.find('\0') != std::string::npos) return std::string();
  // Set up only when a script first fetches, so that start-up stays fast.
  static const bool initialised =
      curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  if (!initialised) return std::string();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                           &curl_easy_cleanup);
  if (!curl) return std::string();
  std::string body;
  CURL* handle = curl.get();
  std::string encoded = encodedUrl(url);
  curl_easy_setopt(handle, CURLOPT_URL, encoded.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 50L);
  curl_easy_setopt(handle, CURLOPT_TIMEOUT, timeoutSeconds());
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, collectBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  if (curl_easy_perform(handle) != CURLE_OK) return std::string();
  // Bytes that are not UTF-8 become U+FFFD rather than losing the page.
  return repairUtf8(body);
}

}  // namespace corvel
