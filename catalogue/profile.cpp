#include "profile.h"

#include <cstdio>
#include <cstring>
#include <string>

// The rules below are the ones Wine's GetPrivateProfileStringA shows (checked by the
// shared INI table in the tests): lines end at CR or LF; a line that starts with '['
// and has a ']' names a section (up to the last ']'); text before the first section
// belongs to a section with an empty name; only the first section of a name is
// searched, and in it the first key of the name; a key line without '=' has no value
// and gives the default. Names and values stop at a NUL byte.

namespace {

struct Span {
    const char* begin;
    const char* end;
};

Span Trim(Span s)
{
    while (s.begin < s.end && IsProfileBlank(*s.begin))
        ++s.begin;
    while (s.end > s.begin && IsProfileBlank(s.end[-1]))
        --s.end;
    return s;
}

// Names and values are kept as C strings, so a NUL ends them.
Span CutAtNul(Span s)
{
    const void* nul = std::memchr(s.begin, '\0', static_cast<size_t>(s.end - s.begin));
    if (nul)
        s.end = static_cast<const char*>(nul);
    return s;
}

// Letter case is ignored for ASCII letters only.
bool SameName(Span a, Span b)
{
    if (a.end - a.begin != b.end - b.begin)
        return false;
    for (const char *x = a.begin, *y = b.begin; x < a.end; ++x, ++y) {
        char p = *x, q = *y;
        if (p >= 'A' && p <= 'Z') p = static_cast<char>(p - 'A' + 'a');
        if (q >= 'A' && q <= 'Z') q = static_cast<char>(q - 'A' + 'a');
        if (p != q)
            return false;
    }
    return true;
}

Span ArgumentName(const char* name)
{
    return Trim(Span{name, name + std::strlen(name)});
}

// One pair of enclosing quotes (both " or both ') is dropped. Like the platform, the
// closing quote is dropped by cutting the last byte copied whenever the value after
// the opening quote is no longer than the buffer, so a value of exactly outSize bytes
// there loses its last real byte.
size_t CopyValue(Span value, char* out, size_t outSize)
{
    size_t length = static_cast<size_t>(value.end - value.begin);
    bool quoted = length >= 2 && (value.begin[0] == '"' || value.begin[0] == '\'') &&
                  value.end[-1] == value.begin[0];
    if (quoted) {
        ++value.begin;
        --length;
    }
    size_t n = length < outSize - 1 ? length : outSize - 1;
    std::memcpy(out, value.begin, n);
    if (quoted && outSize >= length && n > 0)
        --n;
    out[n] = '\0';
    return n;
}

}  // namespace

bool IsProfileBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1a';
}

size_t LookupProfileString(const char* text, size_t length, const char* section,
                           const char* key, const char* defaultValue, char* out,
                           size_t outSize)
{
    Span wantedSection = ArgumentName(section);
    Span wantedKey = ArgumentName(key);
    const char* end = text + length;
    const char* pos = text;
    // A UTF-8 byte order mark is not part of the first line.
    if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        pos += 3;

    bool inSection = wantedSection.begin == wantedSection.end;
    bool sectionSeen = inSection;
    while (pos < end) {
        const char* lineEnd = pos;
        while (lineEnd < end && *lineEnd != '\n' && *lineEnd != '\r')
            ++lineEnd;
        Span line = Trim(Span{pos, lineEnd});
        pos = lineEnd + 1;
        if (line.begin == line.end)
            continue;

        if (*line.begin == '[') {
            const char* close = line.end;
            while (close > line.begin && close[-1] != ']')
                --close;
            if (close > line.begin + 1) {
                if (inSection)
                    break;  // the key was not in the first section of that name
                Span name = CutAtNul(Trim(Span{line.begin + 1, close - 1}));
                inSection = !sectionSeen && SameName(name, wantedSection);
                sectionSeen = sectionSeen || inSection;
                continue;
            }
            // No ']': an ordinary line.
        }
        if (!inSection)
            continue;

        const char* equals = static_cast<const char*>(
            std::memchr(line.begin, '=', static_cast<size_t>(line.end - line.begin)));
        Span name = CutAtNul(Trim(Span{line.begin, equals ? equals : line.end}));
        if (!SameName(name, wantedKey))
            continue;
        if (!equals)
            break;  // a key with no value
        return CopyValue(CutAtNul(Trim(Span{equals + 1, line.end})), out, outSize);
    }
    size_t n = std::strlen(defaultValue);
    if (n > outSize - 1)
        n = outSize - 1;
    std::memcpy(out, defaultValue, n);
    out[n] = '\0';
    return n;
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
