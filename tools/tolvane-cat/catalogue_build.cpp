#include "catalogue_build.h"

#include "catalogue.h"
#include "profile.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Source columns: the name, the nine record fields, the declaration.
constexpr int NAME_COLUMN = 0;
constexpr int DECLARATION_COLUMN = RECORD_FIELD_COUNT + 1;
constexpr int SOURCE_COLUMN_COUNT = RECORD_FIELD_COUNT + 2;

const char* SourceColumnName(int column)
{
    if (column == NAME_COLUMN)
        return "name";
    if (column == DECLARATION_COLUMN)
        return "declaration";
    return RECORD_FIELD_NAMES[column - 1];
}

struct Field {
    const char* begin;
    size_t length;
};

bool Fail(BuildError& error, int line, const std::string& reason)
{
    error.line = line;
    error.reason = reason;
    return false;
}

std::vector<Field> SplitFields(const char* begin, const char* end)
{
    std::vector<Field> fields;
    const char* start = begin;
    for (const char* p = begin;; ++p) {
        if (p == end || *p == '\t') {
            fields.push_back(Field{start, static_cast<size_t>(p - start)});
            if (p == end)
                return fields;
            start = p + 1;
        }
    }
}

std::string FoldedName(const Field& name)
{
    std::string folded(name.begin, name.length);
    for (char& c : folded)
        c = FoldLetterCase(c);
    return folded;
}

// Maps each source column to its position in the header; false names what is wrong.
bool ReadHeader(const std::vector<Field>& header, int columnAt[SOURCE_COLUMN_COUNT],
                BuildError& error)
{
    for (int column = 0; column < SOURCE_COLUMN_COUNT; ++column) {
        const char* wanted = SourceColumnName(column);
        columnAt[column] = -1;
        for (size_t i = 0; i < header.size(); ++i) {
            if (header[i].length != std::strlen(wanted) ||
                std::memcmp(header[i].begin, wanted, header[i].length) != 0)
                continue;
            if (columnAt[column] >= 0)
                return Fail(error, 1, std::string("header names column '") + wanted + "' twice");
            columnAt[column] = static_cast<int>(i);
        }
        if (columnAt[column] < 0)
            return Fail(error, 1, std::string("header has no column '") + wanted + "'");
    }
    return true;
}

std::string TooLong(const char* what, size_t bytes, int most, const char* note = "")
{
    return std::string(what) + " of " + std::to_string(bytes) + " bytes" + note + " (at most " +
           std::to_string(most) + ")";
}

// Checks one row against everything the program can show; the reason, or empty.
std::string RowProblem(const std::vector<Field>& fields, size_t headerSize,
                       const int columnAt[SOURCE_COLUMN_COUNT])
{
    if (fields.size() != headerSize)
        return std::to_string(fields.size()) + " fields where the header has " +
               std::to_string(headerSize) + " (a tab inside a field?)";
    size_t recordBytes = 0;
    for (int column = 0; column < SOURCE_COLUMN_COUNT; ++column) {
        const Field& f = fields[static_cast<size_t>(columnAt[column])];
        if (std::memchr(f.begin, '\r', f.length))
            return std::string("line break (CR) inside field '") + SourceColumnName(column) + "'";
        if (std::memchr(f.begin, '\0', f.length))
            return std::string("NUL byte inside field '") + SourceColumnName(column) + "'";
        if (column != NAME_COLUMN && column != DECLARATION_COLUMN)
            recordBytes += f.length + 1;
    }
    const Field& name = fields[static_cast<size_t>(columnAt[NAME_COLUMN])];
    if (name.length == 0)
        return "empty name";
    if (name.length > MAX_SHOWN_NAME_BYTES)
        return TooLong("name", name.length, MAX_SHOWN_NAME_BYTES);
    // Profile readers would take these as something other than a key.
    if (std::memchr(name.begin, '=', name.length) || std::memchr(name.begin, ';', name.length))
        return "name with '=' or ';' cannot be a key in api.ini";
    if (name.begin[0] == '[')
        return "name starting with '[' cannot be a key in api.ini";
    if (recordBytes > RECORD_BUFFER_SIZE)
        return TooLong("record", recordBytes, RECORD_BUFFER_SIZE, " with its nine NULs");

    const Field& declaration = fields[static_cast<size_t>(columnAt[DECLARATION_COLUMN])];
    if (declaration.length == 0)
        return "";
    if (declaration.length > MAX_DECLARATION_BYTES)
        return TooLong("declaration", declaration.length, MAX_DECLARATION_BYTES);
    if (declaration.length > MAX_QUOTED_DECLARATION_BYTES &&
        NeedsIniQuotes(std::string(declaration.begin, declaration.length)))
        return TooLong("declaration", declaration.length, MAX_QUOTED_DECLARATION_BYTES,
                       " that needs quotes in api.ini");
    return "";
}

void AppendOffset(std::string& out, uint32_t offset)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((offset >> shift) & 0xFF));
}

}  // namespace

bool NeedsIniQuotes(const std::string& value)
{
    if (value.empty())
        return false;
    char first = value.front(), last = value.back();
    if (IsProfileBlank(first) || IsProfileBlank(last))
        return true;
    return value.size() >= 2 && (first == '"' || first == '\'') && last == first;
}

bool BuildCatalogue(const char* text, size_t length, CatalogueFiles& files,
                    BuildError& error)
{
    files = CatalogueFiles{};
    files.ini = "[Declare]\r\n";
    int columnAt[SOURCE_COLUMN_COUNT];
    size_t headerSize = 0;
    int rows = 0;
    std::map<std::string, uint32_t> recordOffsets;  // record bytes -> offset
    std::map<std::string, int> nameLines;           // folded name -> line

    const char* end = text + length;
    const char* pos = text;
    int line = 0;
    while (pos < end) {
        ++line;
        const char* lineEnd = static_cast<const char*>(
            std::memchr(pos, '\n', static_cast<size_t>(end - pos)));
        if (!lineEnd)
            lineEnd = end;
        const char* contentEnd = lineEnd;
        if (contentEnd > pos && contentEnd[-1] == '\r')
            --contentEnd;
        std::vector<Field> fields = SplitFields(pos, contentEnd);
        pos = lineEnd + 1;

        if (line == 1) {
            if (!ReadHeader(fields, columnAt, error))
                return false;
            headerSize = fields.size();
            continue;
        }
        if (fields.size() == 1 && fields[0].length == 0)
            continue;  // an empty line
        if (++rows > MAX_INDEX_ENTRIES)
            return Fail(error, line,
                        "more than " + std::to_string(MAX_INDEX_ENTRIES) + " rows");
        std::string problem = RowProblem(fields, headerSize, columnAt);
        if (!problem.empty())
            return Fail(error, line, problem);

        const Field& name = fields[static_cast<size_t>(columnAt[NAME_COLUMN])];
        // Letter case is ignored by the declaration lookup, so names that differ only
        // in case would share one declaration.
        auto seen = nameLines.emplace(FoldedName(name), line);
        if (!seen.second)
            return Fail(error, line,
                        "name repeats line " + std::to_string(seen.first->second) +
                            " (letter case ignored)");

        std::string record;
        for (int column = 1; column <= RECORD_FIELD_COUNT; ++column) {
            const Field& f = fields[static_cast<size_t>(columnAt[column])];
            record.append(f.begin, f.length);
            record.push_back('\0');
        }
        auto stored = recordOffsets.emplace(record, static_cast<uint32_t>(files.records.size()));
        if (stored.second)
            files.records += record;

        files.index.push_back(static_cast<char>(name.length));
        files.index.append(name.begin, name.length);
        AppendOffset(files.index, stored.first->second);

        const Field& declaration = fields[static_cast<size_t>(columnAt[DECLARATION_COLUMN])];
        if (declaration.length > 0) {
            std::string value(declaration.begin, declaration.length);
            if (NeedsIniQuotes(value))
                value = '"' + value + '"';
            files.ini.append(name.begin, name.length);
            files.ini += '=' + value + "\r\n";
        }
    }
    if (line == 0)
        return Fail(error, 1, "no header line");
    return true;
}

bool RecordHoldsNineTexts(const std::string& records, uint32_t offset)
{
    if (offset >= records.size())
        return false;
    size_t end = records.size() - offset < RECORD_BUFFER_SIZE ? records.size()
                                                              : offset + size_t{RECORD_BUFFER_SIZE};
    int nuls = 0;
    for (size_t i = offset; i < end && nuls < RECORD_FIELD_COUNT; ++i)
        nuls += records[i] == '\0';
    return nuls == RECORD_FIELD_COUNT;
}

bool NextRawIndexEntry(const std::string& bytes, size_t& pos, RawIndexEntry& entry)
{
    if (pos >= bytes.size())
        return false;
    entry.position = pos;
    entry.nameLength = static_cast<unsigned char>(bytes[pos]);
    entry.name = bytes.data() + pos + 1;
    entry.recordOffset = 0;
    size_t needed = 1 + entry.nameLength + 4;
    size_t left = bytes.size() - pos;
    entry.cutShort = left < needed;
    entry.missingBytes = entry.cutShort ? needed - left : 0;
    if (entry.cutShort) {
        pos = bytes.size();
        return true;
    }
    const unsigned char* offset =
        reinterpret_cast<const unsigned char*>(entry.name + entry.nameLength);
    entry.recordOffset = static_cast<uint32_t>(offset[0]) |
                         static_cast<uint32_t>(offset[1]) << 8 |
                         static_cast<uint32_t>(offset[2]) << 16 |
                         static_cast<uint32_t>(offset[3]) << 24;
    pos += needed;
    return true;
}
