#include "profile.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Letter case is ignored for ASCII letters only, as the profile functions do for
// section and key names in narrow text.
bool SameName(const char* a, size_t aLength, const char* b)
{
    size_t bLength = std::strlen(b);
    if (aLength != bLength)
        return false;
    for (size_t i = 0; i < aLength; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

size_t CopyOut(const char* value, size_t valueLength, char* out, size_t outSize)
{
    size_t n = valueLength < outSize - 1 ? valueLength : outSize - 1;
    std::memcpy(out, value, n);
    out[n] = '\0';
    return n;
}

}  // namespace

size_t LookupProfileString(const char* text, size_t length, const char* section,
                           const char* key, const char* defaultValue, char* out,
                           size_t outSize)
{
    bool inSection = false;
    size_t pos = 0;
    while (pos < length) {
        size_t lineEnd = pos;
        while (lineEnd < length && text[lineEnd] != '\n')
            ++lineEnd;
        size_t start = pos, end = lineEnd;
        pos = lineEnd + 1;
        while (start < end && IsBlank(text[start]))
            ++start;
        while (end > start && IsBlank(text[end - 1]))
            --end;
        if (start == end)
            continue;
        if (text[start] == '[') {
            size_t close = start + 1;
            while (close < end && text[close] != ']')
                ++close;
            inSection = SameName(text + start + 1, close - start - 1, section);
            continue;
        }
        if (!inSection)
            continue;
        size_t equals = start;
        while (equals < end && text[equals] != '=')
            ++equals;
        size_t keyEnd = equals;
        while (keyEnd > start && IsBlank(text[keyEnd - 1]))
            --keyEnd;
        if (!SameName(text + start, keyEnd - start, key))
            continue;
        size_t valueStart = equals < end ? equals + 1 : end;
        while (valueStart < end && IsBlank(text[valueStart]))
            ++valueStart;
        size_t valueEnd = end;
        // One pair of enclosing quotes is dropped.
        if (valueEnd - valueStart >= 2 &&
            (text[valueStart] == '"' || text[valueStart] == '\'') &&
            text[valueEnd - 1] == text[valueStart]) {
            ++valueStart;
            --valueEnd;
        }
        return CopyOut(text + valueStart, valueEnd - valueStart, out, outSize);
    }
    return CopyOut(defaultValue, std::strlen(defaultValue), out, outSize);
}

size_t ReadProfileString(const char* iniPath, const char* section, const char* key,
                         const char* defaultValue, char* out, size_t outSize)
{
    std::string text;
    if (std::FILE* file = std::fopen(iniPath, "rb")) {
        char chunk[1 << 16];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
            text.append(chunk, got);
        std::fclose(file);
    }
    return LookupProfileString(text.data(), text.size(), section, key, defaultValue,
                               out, outSize);
}
