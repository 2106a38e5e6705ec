// The checker's findings as JSON, for tools.
#include "checker/report.h"

#include "base/text.h"

namespace corvel {

namespace {

nlohmann::json rangeToJson(const SourceMap& map, Span span) {
  return {{"start", placeToJson(map, span.begin)},
          {"end", placeToJson(map, span.end)}};
}

// Script text is bytes: what is not UTF-8 is shown as U+FFFD rather than
// refused, so that any script gets a report.
std::string displayable(std::string_view text) {
  return isValidUtf8(text) ? std::string(text) : repairUtf8(text);
}

}  // namespace

nlohmann::json placeToJson(const SourceMap& map, std::size_t offset) {
  Place place = map.place(offset);
  return {{"line", place.line + 1},
          {"byte", place.byteColumn},
          {"utf16", place.utf16Column},
          {"offset", std::min(offset, map.source().size())}};
}

nlohmann::json findingToJson(const SourceMap& map, const Finding& finding) {
  nlohmann::json json = {
      {"code", finding.code},
      {"severity", finding.error ? "error" : "warning"},
      {"line", finding.line},
      {"message", displayable(finding.message)},
      {"range", rangeToJson(map, finding.span)},
  };
  if (finding.fix) {
    json["fix"] = {
        {"title", displayable(finding.fix->title)},
        {"range", rangeToJson(map, finding.fix->span)},
        {"text", displayable(finding.fix->text)},
    };
  }
  return json;
}

nlohmann::json scriptReport(std::string_view path, const SourceMap& map,
                            std::span<const Finding> findings) {
  nlohmann::json list = nlohmann::json::array();
  for (const Finding& finding : findings)
    list.push_back(findingToJson(map, finding));
  return {{"path", displayable(path)}, {"findings", std::move(list)}};
}

}  // namespace corvel
