// What the language server answers about an open script: hover, completion,
// signature help, navigation, renaming, the outline, diagnostics and fixes.
// Each takes the document as last analysed and gives the result as the
// protocol writes it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "lsp/document.h"

namespace corvel {

// A request the server turns down, with the protocol's error code and the
// reason shown to the user.
struct Refusal {
  int code;
  std::string message;
};

// The protocol's error code for a request that was valid but could not be
// carried out.
inline constexpr int kRequestFailed = -32803;

nlohmann::json hover(const Document& document, ProtocolPosition position);
nlohmann::json completion(const Document& document, ProtocolPosition position);
nlohmann::json signatureHelp(const Document& document,
                             ProtocolPosition position);
nlohmann::json definition(const Document& document, std::string_view uri,
                          ProtocolPosition position);
nlohmann::json references(const Document& document, std::string_view uri,
                          ProtocolPosition position, bool withDeclarations);
nlohmann::json highlights(const Document& document, ProtocolPosition position);
nlohmann::json documentSymbols(const Document& document);
// The range and name that a rename at `position` would change; throws a
// Refusal when nothing there can be renamed.
nlohmann::json prepareRename(const Document& document,
                             ProtocolPosition position);
// The edit that renames what stands at `position` to `newName`; throws a
// Refusal with the reason when the name is not valid or would clash.
nlohmann::json rename(const Document& document, std::string_view uri,
                      ProtocolPosition position, std::string_view newName);
// The checker's findings as the protocol's diagnostics.
nlohmann::json diagnostics(const Document& document);
// The fixes of the findings that touch the range from `start` to `end`.
nlohmann::json codeActions(const Document& document, std::string_view uri,
                           ProtocolPosition start, ProtocolPosition end);

}  // namespace corvel
