// What the fuzz targets share: a scratch folder for runs, the sandbox they run
// in, and what a run leaves in its folder.
#pragma once

#include <map>
#include <string>

#include "interpreter/embedded.h"

namespace corvel::fuzz {

// Makes the scratch folder (removed again when the fuzzer exits) and, unless
// the command line names one, has crash reports written to the folder the
// fuzzer was started in: runs move the working folder into the scratch one.
// Called from LLVMFuzzerInitialize with its arguments.
void setUp(int* argc, char*** argv);

// The sandbox of a fuzzed run, in a scratch folder made empty for it.
Sandbox freshSandbox();

// What a run left in its folder: every path below it, with "folder" or "file "
// and the file's bytes.
std::map<std::string, std::string> folderContents(const std::string& folder);

}  // namespace corvel::fuzz
