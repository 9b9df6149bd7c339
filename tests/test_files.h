// Small fixture files for tests, in a fresh temporary directory per process.
#pragma once

#include <string>

// A path in this test run's own temporary directory.
std::string TestPath(const std::string& name);
// Writes bytes to path, replacing the file; fails the test on error.
void WriteTestFile(const std::string& path, const std::string& bytes);
std::string ReadTestFile(const std::string& path);
