// The catalogue reads files, so the fuzz targets put each input in one: one file per
// process and purpose in /tmp, rewritten for every input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// The path of the file now holding the input, or empty when it could not be written.
inline std::string WriteInputFile(const char* purpose, const uint8_t* data, size_t size)
{
    std::string path = std::string("/tmp/tolvane-fuzz-") + purpose + "-" + std::to_string(getpid());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return "";
    bool written = std::fwrite(data, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
        return "";
    return path;
}
