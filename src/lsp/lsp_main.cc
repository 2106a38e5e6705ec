// The language server's entry point: the protocol over standard input and
// output until the client says exit or the input ends.
#include <unistd.h>

#include <string>
#include <string_view>

#include "base/console.h"
#include "base/io.h"
#include "base/version.h"
#include "lsp/server.h"
#include "lsp/transport.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::string_view argument = argv[i];
    if (argument == "--help" || argument == "-?") {
      corvel::consolePrint(
          "Usage: corvel-lsp\nThe Corvel language server: the Language Server "
          "Protocol over standard input and output.\n");
      corvel::consoleFlush();
      return 0;
    }
    if (argument == "--version") {
      corvel::consolePrint("corvel-lsp " + std::string(corvel::kVersion) +
                           "\n");
      corvel::consoleFlush();
      return 0;
    }
    // Clients often pass --stdio; standard input and output is the only way.
    if (argument != "--stdio") {
      corvel::consoleError(
          "corvel-lsp: unknown argument: " + std::string(argument) + "\n");
      return 2;
    }
  }
  corvel::consoleClaimStandardDescriptors();
  // Nobody reads standard input after the server, so it is read in blocks.
  corvel::MessageReader reader([](char* buffer, std::size_t size) {
    ssize_t got = corvel::readSome(STDIN_FILENO, buffer, size);
    return got > 0 ? static_cast<std::size_t>(got) : std::size_t{0};
  });
  corvel::Server server;
  while (std::optional<corvel::Frame> frame = reader.next()) {
    std::vector<std::string> answers = frame->fault.empty()
                                           ? server.receive(frame->body)
                                           : server.framingFault(frame->fault);
    for (const std::string& answer : answers)
      corvel::consolePrint(corvel::frameMessage(answer));
    corvel::consoleFlush();
    if (server.exiting()) return server.exitStatus();
  }
  // The client went away without saying exit.
  return 1;
}
