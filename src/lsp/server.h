// The language server: takes the bodies of protocol messages, keeps the open
// scripts, and gives back the messages to send. It reads no file and runs
// nothing of a script.
#pragma once

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/document.h"

namespace corvel {

class Server {
 public:
  // Takes the body of one message and returns the bodies to send in answer:
  // a response to a request (an error response for anything malformed) and
  // the diagnostics of a script that changed.
  std::vector<std::string> receive(std::string_view body);
  // Returns the error response to a message whose framing was broken.
  std::vector<std::string> framingFault(std::string_view what);

  // The client said `exit`: the server stops, with status 0 after a
  // `shutdown` and 1 without one.
  bool exiting() const { return exiting_; }
  int exitStatus() const { return shutDown_ ? 0 : 1; }

 private:
  nlohmann::json request(const std::string& method,
                         const nlohmann::json& params);
  void notification(const std::string& method, const nlohmann::json& params);
  Document& document(const nlohmann::json& params);
  void publish(const std::string& uri);

  std::map<std::string, std::unique_ptr<Document>, std::less<>> documents_;
  std::vector<nlohmann::json> outgoing_;
  bool initialised_ = false;
  bool shutDown_ = false;
  bool exiting_ = false;
};

}  // namespace corvel
