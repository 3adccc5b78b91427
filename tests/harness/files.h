// Whole files as bytes, for tests and benchmarks that write a settings file by hand or read back
// what the program wrote. No test framework here.
#pragma once

#include <string>

namespace test {

// The file's bytes, or "-" when it cannot be read (no file at all, among others).
std::string ReadBytes(const std::string& path);
// Replaces the file's content; false when it cannot be written.
bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace test
