#include "test_files.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string TestPath(const std::string& name)
{
    static const fs::path dir = [] {
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        fs::path d = fs::temp_directory_path() / ("tolvane-test-" + std::to_string(stamp));
        fs::create_directories(d);
        // Anyone may use it, so the same binary can run as an unprivileged user.
        fs::permissions(d, fs::perms::all);
        return d;
    }();
    return (dir / name).string();
}

void WriteTestFile(const std::string& path, const std::string& bytes)
{
    std::error_code ignored;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadTestFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}
