// What the fuzz targets share: a scratch folder for runs, the sandbox they run
// in, and what a run leaves in its folder.
#include "fuzz_support.h"

#include <sanitizer/allocator_interface.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace corvel::fuzz {

namespace {

std::filesystem::path scratchRoot;

void removeScratch() {
  std::error_code ignored;
  std::filesystem::remove_all(scratchRoot, ignored);
}

std::size_t heapInUse() { return __sanitizer_get_current_allocated_bytes(); }

}  // namespace

void setUp(int* argc, char*** argv) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "corvel-fuzz-XXXXXX").string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    std::perror("corvel fuzz: cannot make a scratch folder");
    std::exit(1);
  }
  scratchRoot = name.data();
  std::atexit(removeScratch);

  for (int i = 1; i < *argc; ++i) {
    if (std::strncmp((*argv)[i], "-artifact_prefix=", 17) == 0) return;
  }
  // The arguments live as long as the process, as libFuzzer expects.
  static std::string prefix =
      "-artifact_prefix=" + std::filesystem::current_path().string() + "/";
  static std::vector<char*> arguments;
  arguments.assign(*argv, *argv + *argc);
  arguments.push_back(prefix.data());
  arguments.push_back(nullptr);
  *argc = static_cast<int>(arguments.size()) - 1;
  *argv = arguments.data();
}

Sandbox freshSandbox() {
  std::filesystem::path folder = scratchRoot / "run";
  // A new folder rather than an emptied one, so that a listing of it comes
  // out in the same order for the same script every time.
  std::filesystem::remove_all(folder);
  std::filesystem::create_directory(folder);
  Sandbox sandbox;
  sandbox.folder = folder.string();
  // Enough for loops that build strings by doubling or walk a text, and for
  // texts that cross the 64 KiB blocks of the console and of files; small
  // enough that a run takes milliseconds. The time limit catches the rare run
  // whose every turn is heavy: such runs slow the fuzzer down more than any.
  sandbox.maxJumps = 500;
  sandbox.maxValueBytes = std::size_t{64} << 10;
  sandbox.maxOutputBytes = std::size_t{256} << 10;
  sandbox.maxFileBytes = std::size_t{1} << 20;
  sandbox.heapInUse = heapInUse;
  sandbox.maxHeapBytes = std::size_t{32} << 20;
  sandbox.maxMilliseconds = 100;
  return sandbox;
}

std::map<std::string, std::string> folderContents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(folder)) {
    std::string name = std::filesystem::relative(entry.path(), folder).string();
    if (entry.is_directory()) {
      contents[name] = "folder";
      continue;
    }
    std::ifstream in(entry.path(), std::ios::binary);
    contents[name] = "file " + std::string(std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>());
  }
  return contents;
}

}  // namespace corvel::fuzz
