// The language server: takes the bodies of protocol messages, keeps the open
// scripts, and gives back the messages to send. It reads no file and runs
// nothing of a script.
#include "lsp/server.h"

#include "base/version.h"
#include "lsp/features.h"

namespace corvel {

namespace {

using nlohmann::json;

// The protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

// A text document change kind: the edits of a change come as ranges.
constexpr int kIncrementalSync = 2;

json capabilities() {
  return {
      {"positionEncoding", "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", kIncrementalSync}}},
      {"hoverProvider", true},
      {"completionProvider", {{"triggerCharacters", {"$", "[", "*"}}}},
      {"signatureHelpProvider", {{"triggerCharacters", {" "}}}},
      {"definitionProvider", true},
      {"referencesProvider", true},
      {"documentHighlightProvider", true},
      {"documentSymbolProvider", true},
      {"renameProvider", {{"prepareProvider", true}}},
      {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
  };
}

// The protocol's messages nest a few levels; far deeper ones are refused
// before parsing, since the JSON library copies and frees nested values
// recursively.
constexpr int kDeepestNesting = 256;

bool nestsTooDeep(std::string_view body) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kDeepestNesting) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

// The id of `message` when it is one: a number or a string. Anything else is
// not echoed.
json idOf(const json& message) {
  auto found = message.find("id");
  if (found == message.end()) return nullptr;
  if (found->is_number_integer() || found->is_string()) return *found;
  return nullptr;
}

json errorResponse(const json& id, int code, std::string_view message) {
  return {{"jsonrpc", "2.0"},
          {"id", id},
          {"error", {{"code", code}, {"message", message}}}};
}

std::string dump(const json& message) {
  // Text from the editor is valid UTF-8, but a message must never fail to go
  // out: anything else is replaced.
  return message.dump(-1, ' ', false, json::error_handler_t::replace);
}

ProtocolPosition positionOf(const json& position) {
  auto number = [](const json& value) -> std::uint32_t {
    if (!value.is_number())
      throw Refusal{kInvalidParams, "a position needs numbers"};
    double n = value.get<double>();
    if (!(n >= 0)) return 0;
    if (n > 4294967295.0) return UINT32_MAX;
    return static_cast<std::uint32_t>(n);
  };
  return {number(position.at("line")), number(position.at("character"))};
}

const std::string& stringAt(const json& object, const char* key) {
  const json& value = object.at(key);
  if (!value.is_string())
    throw Refusal{kInvalidParams, std::string(key) + " must be a string"};
  return value.get_ref<const std::string&>();
}

std::int64_t versionOf(const json& document) {
  auto found = document.find("version");
  if (found == document.end() || !found->is_number_integer()) return 0;
  return found->get<std::int64_t>();
}

}  // namespace

Document& Server::document(const json& params) {
  const std::string& uri = stringAt(params.at("textDocument"), "uri");
  auto found = documents_.find(uri);
  if (found == documents_.end())
    throw Refusal{kInvalidParams, "the document " + uri + " is not open"};
  return *found->second;
}

void Server::publish(const std::string& uri) {
  json params = {{"uri", uri}, {"diagnostics", json::array()}};
  auto found = documents_.find(uri);
  if (found != documents_.end()) {
    params["diagnostics"] = diagnostics(*found->second);
    params["version"] = found->second->version();
  }
  outgoing_.push_back({{"jsonrpc", "2.0"},
                       {"method", "textDocument/publishDiagnostics"},
                       {"params", std::move(params)}});
}

json Server::request(const std::string& method, const json& params) {
  if (method == "initialize") {
    initialised_ = true;
    return {{"capabilities", capabilities()},
            {"serverInfo",
             {{"name", "corvel-lsp"}, {"version", std::string(kVersion)}}}};
  }
  if (!initialised_)
    throw Refusal{kServerNotInitialized, "initialize comes first"};
  if (shutDown_) throw Refusal{kInvalidRequest, "the server is shut down"};
  if (method == "shutdown") {
    shutDown_ = true;
    return nullptr;
  }
  auto at = [&]() { return positionOf(params.at("position")); };
  const std::string& uri = method.starts_with("textDocument/")
                               ? stringAt(params.at("textDocument"), "uri")
                               : method;
  if (method == "textDocument/hover") return hover(document(params), at());
  if (method == "textDocument/completion")
    return completion(document(params), at());
  if (method == "textDocument/signatureHelp")
    return signatureHelp(document(params), at());
  if (method == "textDocument/definition")
    return definition(document(params), uri, at());
  if (method == "textDocument/references") {
    bool declarations = params.contains("context") &&
                        params["context"].value("includeDeclaration", false);
    return references(document(params), uri, at(), declarations);
  }
  if (method == "textDocument/documentHighlight")
    return highlights(document(params), at());
  if (method == "textDocument/documentSymbol")
    return documentSymbols(document(params));
  if (method == "textDocument/prepareRename")
    return prepareRename(document(params), at());
  if (method == "textDocument/rename")
    return rename(document(params), uri, at(), stringAt(params, "newName"));
  if (method == "textDocument/codeAction") {
    const json& range = params.at("range");
    if (params.contains("context") && params["context"].contains("only")) {
      bool quickfix = false;
      for (const json& kind : params["context"]["only"])
        if (kind.is_string() &&
            kind.get_ref<const std::string&>().starts_with("quickfix"))
          quickfix = true;
      if (!quickfix) return json::array();
    }
    return codeActions(document(params), uri, positionOf(range.at("start")),
                       positionOf(range.at("end")));
  }
  throw Refusal{kMethodNotFound, "no such method: " + method};
}

void Server::notification(const std::string& method, const json& params) {
  if (method == "exit") {
    exiting_ = true;
    return;
  }
  // Before initialize, and after shutdown, notifications are dropped.
  if (!initialised_ || shutDown_) return;
  if (method == "textDocument/didOpen") {
    const json& item = params.at("textDocument");
    const std::string& uri = stringAt(item, "uri");
    documents_[uri] =
        std::make_unique<Document>(stringAt(item, "text"), versionOf(item));
    publish(uri);
  } else if (method == "textDocument/didChange") {
    Document& changed = document(params);
    for (const json& change : params.at("contentChanges")) {
      const std::string& text = stringAt(change, "text");
      if (change.contains("range")) {
        const json& range = change.at("range");
        changed.edit(positionOf(range.at("start")), positionOf(range.at("end")),
                     text);
      } else {
        changed.replace(text);
      }
    }
    changed.analyse(versionOf(params.at("textDocument")));
    publish(stringAt(params.at("textDocument"), "uri"));
  } else if (method == "textDocument/didClose") {
    const std::string& uri = stringAt(params.at("textDocument"), "uri");
    documents_.erase(uri);
    publish(uri);
  }
}

std::vector<std::string> Server::receive(std::string_view body) {
  outgoing_.clear();
  json message = nestsTooDeep(body) ? json(json::value_t::discarded)
                                    : json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    outgoing_.push_back(errorResponse(
        nullptr, kParseError, "the body is no JSON, or nests too deep"));
  } else if (!message.is_object() || !message.contains("method") ||
             !message["method"].is_string()) {
    json id = message.is_object() ? idOf(message) : json();
    message.is_object() && message.contains("id") ? message["id"] : json();
    // A response to nothing the server asked is dropped; anything else is no
    // request.
    if (!(message.is_object() &&
          (message.contains("result") || message.contains("error"))))
      outgoing_.push_back(
          errorResponse(id, kInvalidRequest, "a message needs a method"));
  } else {
    const std::string& method = message["method"].get_ref<const std::string&>();
    static const json kNoParams = json::object();
    const json& params =
        message.contains("params") ? message["params"] : kNoParams;
    bool isRequest = message.contains("id");
    json id = idOf(message);
    try {
      if (isRequest && id.is_null())
        throw Refusal{kInvalidRequest, "an id is a number or a string"};
      if (isRequest) {
        json result = request(method, params);
        outgoing_.push_back(
            {{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
      } else {
        notification(method, params);
      }
    } catch (const Refusal& refusal) {
      if (isRequest)
        outgoing_.push_back(errorResponse(id, refusal.code, refusal.message));
    } catch (const json::exception& fault) {
      if (isRequest)
        outgoing_.push_back(
            errorResponse(id, kInvalidParams,
                          std::string("malformed params: ") + fault.what()));
    } catch (const std::exception& fault) {
      if (isRequest)
        outgoing_.push_back(errorResponse(id, kInternalError, fault.what()));
    }
  }
  std::vector<std::string> bodies;
  for (const json& out : outgoing_) bodies.push_back(dump(out));
  outgoing_.clear();
  return bodies;
}

std::vector<std::string> Server::framingFault(std::string_view what) {
  return {dump(errorResponse(nullptr, kParseError,
                             "broken message framing: " + std::string(what)))};
}

}  // namespace corvel
