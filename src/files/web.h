// URL retrieval: the body behind an http or https URL.
#pragma once

#include <string>

namespace corvel {

// Returns the body of whatever reply a GET of `url` brings (an error page
// included), decoded as UTF-8 with broken bytes as U+FFFD, or the empty string
// when no reply arrives in time. libcurl is loaded on the first retrieval.
std::string fetchUrl(const std::string& url);

}  // namespace corvel
