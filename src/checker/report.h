// The checker's findings as JSON, for tools.
#pragma once

#include <nlohmann/json.hpp>
#include <span>
#include <string_view>

#include "analysis/source_map.h"
#include "checker/checker.h"

namespace corvel {

// Returns where byte `offset` of the script stands: its line (from 1), the
// bytes and the UTF-16 units before it on its line, and the bytes before it in
// the script.
nlohmann::json placeToJson(const SourceMap& map, std::size_t offset);
// Returns `finding` with its range and fix placed in the script of `map`.
nlohmann::json findingToJson(const SourceMap& map, const Finding& finding);
// Returns the report of one script: its path and its findings.
nlohmann::json scriptReport(std::string_view path, const SourceMap& map,
                            std::span<const Finding> findings);

}  // namespace corvel
