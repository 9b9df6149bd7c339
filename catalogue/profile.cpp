#include "profile.h"

#include "catalogue.h"

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
    for (const char *x = a.begin, *y = b.begin; x < a.end; ++x, ++y)
        if (FoldLetterCase(*x) != FoldLetterCase(*y))
            return false;
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

namespace {

// Where one lookup stands. It takes the text a line at a time, so memory and a file
// read in pieces go through the same rules.
struct ProfileSearch {
    Span section;
    Span key;
    bool inSection;
    bool sectionSeen;
    bool done;   // no later line can change the answer
    bool found;  // and out holds the value
    char* out;
    size_t outSize;
    size_t copied;
};

ProfileSearch StartSearch(const char* section, const char* key, char* out, size_t outSize)
{
    ProfileSearch search{};
    search.section = ArgumentName(section);
    search.key = ArgumentName(key);
    search.inSection = search.section.begin == search.section.end;
    search.sectionSeen = search.inSection;
    search.out = out;
    search.outSize = outSize;
    return search;
}

void TakeLine(ProfileSearch& search, Span line)
{
    line = Trim(line);
    if (line.begin == line.end)
        return;

    if (*line.begin == '[') {
        const char* close = line.end;
        while (close > line.begin && close[-1] != ']')
            --close;
        if (close > line.begin + 1) {
            if (search.inSection) {
                search.done = true;  // the key was not in the first section of that name
                return;
            }
            Span name = CutAtNul(Trim(Span{line.begin + 1, close - 1}));
            search.inSection = !search.sectionSeen && SameName(name, search.section);
            search.sectionSeen = search.sectionSeen || search.inSection;
            return;
        }
        // No ']': an ordinary line.
    }
    if (!search.inSection)
        return;

    const char* equals = static_cast<const char*>(
        std::memchr(line.begin, '=', static_cast<size_t>(line.end - line.begin)));
    Span name = CutAtNul(Trim(Span{line.begin, equals ? equals : line.end}));
    if (!SameName(name, search.key))
        return;
    search.done = true;  // a key with no value ends the search as well
    if (equals) {
        search.found = true;
        search.copied =
            CopyValue(CutAtNul(Trim(Span{equals + 1, line.end})), search.out, search.outSize);
    }
}

// The first c in [begin, end), or end.
const char* FindByte(const char* begin, const char* end, char c)
{
    const void* found = std::memchr(begin, c, static_cast<size_t>(end - begin));
    return found ? static_cast<const char*>(found) : end;
}

// Takes the lines of text that a line end closes and, when last, what follows the
// final line end too. Returns the bytes taken; the rest begins an unfinished line.
size_t TakeLines(ProfileSearch& search, const char* text, size_t length, bool last)
{
    const char* end = text + length;
    const char* pos = text;
    // The next CR and the next LF, each searched for again only once passed, so text
    // with either kind of line end alone is still scanned once.
    const char* nextCr = FindByte(pos, end, '\r');
    const char* nextLf = FindByte(pos, end, '\n');
    while (!search.done) {
        if (nextCr < pos)
            nextCr = FindByte(pos, end, '\r');
        if (nextLf < pos)
            nextLf = FindByte(pos, end, '\n');
        const char* lineEnd = nextCr < nextLf ? nextCr : nextLf;
        if (lineEnd == end) {
            if (last) {
                TakeLine(search, Span{pos, end});
                pos = end;
            }
            break;
        }
        TakeLine(search, Span{pos, lineEnd});
        pos = lineEnd + 1;
    }
    return static_cast<size_t>(pos - text);
}

size_t Answer(const ProfileSearch& search, const char* defaultValue)
{
    if (search.found)
        return search.copied;
    size_t n = std::strlen(defaultValue);
    if (n > search.outSize - 1)
        n = search.outSize - 1;
    std::memcpy(search.out, defaultValue, n);
    search.out[n] = '\0';
    return n;
}

// A UTF-8 byte order mark is not part of the first line.
size_t ByteOrderMarkLength(const char* text, size_t length)
{
    return length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
}

}  // namespace

size_t LookupProfileString(const char* text, size_t length, const char* section,
                           const char* key, const char* defaultValue, char* out,
                           size_t outSize)
{
    ProfileSearch search = StartSearch(section, key, out, outSize);
    size_t skipped = ByteOrderMarkLength(text, length);
    TakeLines(search, text + skipped, length - skipped, true);
    return Answer(search, defaultValue);
}

size_t ReadProfileString(const char* iniPath, const char* section, const char* key,
                         const char* defaultValue, char* out, size_t outSize)
{
    ProfileSearch search = StartSearch(section, key, out, outSize);
    std::FILE* file = std::fopen(iniPath, "rb");
    if (!file)
        return Answer(search, defaultValue);

    // api.ini is some 700 KB and a lookup usually ends early, so the file is read in
    // pieces, and not at all past the line that answers.
    static char buffer[PROFILE_READ_SIZE];
    // Straight into the buffer: the stream's own would only add a copy and a read.
    std::setvbuf(file, nullptr, _IONBF, 0);
    size_t kept = 0;  // an unfinished line, moved to the buffer's start
    bool atStart = true;
    size_t got;
    while (!search.done && (got = std::fread(buffer + kept, 1, sizeof buffer - kept, file)) > 0) {
        size_t filled = kept + got;
        size_t taken = atStart ? ByteOrderMarkLength(buffer, filled) : 0;
        atStart = false;
        taken += TakeLines(search, buffer + taken, filled - taken, false);
        kept = filled - taken;
        std::memmove(buffer, buffer + taken, kept);
        if (kept == sizeof buffer) {
            // A line longer than the buffer: the rest of the file is read whole.
            std::string rest(buffer, kept);
            while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                rest.append(buffer, got);
            TakeLines(search, rest.data(), rest.size(), true);
            kept = 0;
        }
    }
    TakeLines(search, buffer, kept, true);
    std::fclose(file);
    return Answer(search, defaultValue);
}
