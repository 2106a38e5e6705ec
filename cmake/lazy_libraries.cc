// Never run: a program linked against the libraries that the interpreter loads
// on first use, so that the packaging tools see them, which no link of the
// interpreter shows. It refers to every function the interpreter looks up in
// them (keep the lists in step), so the versions required are those functions'.
#include <curl/curl.h>
#include <unicode/ucasemap.h>

#include <cstddef>

// Declared here as the interpreter declares it: the OpenSSL headers mark the
// one-call MD5 deprecated.
extern "C" unsigned char* MD5(const unsigned char* data, std::size_t size,
                              unsigned char* digest);

namespace {

using AnyFunction = void (*)();

template <typename Function>
AnyFunction any(Function function) {
  return reinterpret_cast<AnyFunction>(function);
}

}  // namespace

int main() {
  // volatile, so that no reference is optimised away.
  AnyFunction volatile functions[] = {
      any(&ucasemap_open),        any(&ucasemap_utf8ToUpper),
      any(&ucasemap_utf8ToLower), any(&MD5),
      any(&curl_global_init),     any(&curl_easy_init),
      any(&curl_easy_setopt),     any(&curl_easy_perform),
      any(&curl_easy_cleanup),
  };
  int missing = 0;
  for (AnyFunction function : functions) missing += function == nullptr;
  return missing;
}
