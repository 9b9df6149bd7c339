// The INI reader on any text, with the section and key taken from the input's first
// line (section TAB key) and a buffer size from its first byte.
#include "profile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const char* newline = static_cast<const char*>(std::memchr(text, '\n', size));
    std::string first(text, newline ? static_cast<size_t>(newline - text) : 0);
    size_t tab = first.find('\t');
    std::string section = first.substr(0, tab);
    std::string key = tab == std::string::npos ? "A" : first.substr(tab + 1);
    section = section.c_str();  // the arguments are C strings
    key = key.c_str();

    size_t outSize = size > 0 ? 1 + data[0] * 4 : 800;
    char out[1024];
    size_t n = LookupProfileString(text, size, section.c_str(), key.c_str(), "default", out, outSize);
    if (n >= outSize || out[n] != '\0')
        std::abort();
    return 0;
}
