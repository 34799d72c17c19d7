// Shared by the fuzz targets: the input cut into parts, a private folder for
// the files a reader wants, and a program set up as the tests set it up
// (headless window, sound captured and done at once, waits scaled to nothing).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The parts of the input between lines "#--#" (a part per file a reader
// takes); always at least `count` parts, the missing ones empty.
std::vector<std::string> FuzzParts(const uint8_t* data, size_t size, size_t count);
// This process's folder for the files under test (made at the first call).
const std::string& FuzzDir();
// Writes bytes to FuzzDir()/name; the full path.
std::string FuzzWrite(const std::string& name, const std::string& bytes);
// Headless window, the capture sound device completing blocks as written,
// no waits. Called from LLVMFuzzerInitialize.
void FuzzQuietProgram();
