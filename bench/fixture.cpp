#include "fixture.h"

#include "catalogue.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int LINE_BUFFER_SIZE = 4096;
constexpr int DECLARATION_BUFFER_SIZE = 1024;
constexpr int TSV_COLUMNS = 1 + RECORD_FIELD_COUNT + 1;
// Copies get this suffix: no Win32 function ends with it, so names stay unique.
constexpr const char COPY_SUFFIX[] = "Bench";

struct Row {
    char name[NAME_BUFFER_SIZE];
    unsigned char record[RECORD_BUFFER_SIZE];
    int recordLength;
    char declaration[DECLARATION_BUFFER_SIZE];
};

Row g_rows[MAX_INDEX_ENTRIES];
int g_order[MAX_INDEX_ENTRIES];

int CompareNoCase(const char* a, const char* b)
{
    for (;; ++a, ++b) {
        int x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x >= 'A' && x <= 'Z') x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z') y += 'a' - 'A';
        if (x != y || x == 0)
            return x - y;
    }
}

int CompareRows(const void* a, const void* b)
{
    return CompareNoCase(g_rows[*static_cast<const int*>(a)].name,
                         g_rows[*static_cast<const int*>(b)].name);
}

// Splits line in place at tabs; the line end is dropped. Returns the column count.
int SplitColumns(char* line, char* columns[TSV_COLUMNS])
{
    line[std::strcspn(line, "\r\n")] = '\0';
    int n = 0;
    char* p = line;
    while (n < TSV_COLUMNS) {
        columns[n++] = p;
        char* tab = std::strchr(p, '\t');
        if (!tab)
            break;
        *tab = '\0';
        p = tab + 1;
    }
    return n;
}

bool ParseRow(char* line, Row& row)
{
    char* columns[TSV_COLUMNS];
    if (SplitColumns(line, columns) != TSV_COLUMNS ||
        std::strlen(columns[0]) > static_cast<size_t>(MAX_NAME_BYTES) ||
        std::strlen(columns[TSV_COLUMNS - 1]) >= static_cast<size_t>(DECLARATION_BUFFER_SIZE))
        return false;
    std::strcpy(row.name, columns[0]);
    std::strcpy(row.declaration, columns[TSV_COLUMNS - 1]);
    size_t length = 0;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i) {
        size_t n = std::strlen(columns[1 + i]) + 1;
        if (length + n > static_cast<size_t>(RECORD_BUFFER_SIZE))
            return false;
        std::memcpy(row.record + length, columns[1 + i], n);
        length += n;
    }
    row.recordLength = static_cast<int>(length);
    return true;
}

int ReadRows(const char* tsvPath)
{
    std::FILE* in = std::fopen(tsvPath, "rb");
    if (!in) {
        std::fprintf(stderr, "fixture: cannot read %s\n", tsvPath);
        return -1;
    }
    static char line[LINE_BUFFER_SIZE];
    int count = 0;
    bool header = true;
    while (count < MAX_INDEX_ENTRIES && std::fgets(line, sizeof line, in)) {
        if (header) {
            header = false;
            continue;
        }
        if (!ParseRow(line, g_rows[count])) {
            std::fprintf(stderr, "fixture: row %d of %s does not fit the catalogue\n",
                         count + 2, tsvPath);
            std::fclose(in);
            return -1;
        }
        ++count;
    }
    std::fclose(in);
    return count;
}

std::FILE* CreateOutput(const char* outDir, const char* fileName)
{
    char path[PATH_BUFFER_SIZE];
    std::snprintf(path, sizeof path, "%s/%s", outDir, fileName);
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        std::fprintf(stderr, "fixture: cannot write %s\n", path);
    return file;
}

bool WriteFiles(const char* outDir, int count)
{
    std::FILE* index = CreateOutput(outDir, INDEX_FILE_NAME);
    std::FILE* records = CreateOutput(outDir, RECORD_FILE_NAME);
    std::FILE* ini = CreateOutput(outDir, INI_FILE_NAME);
    bool ok = index && records && ini;
    if (ok) {
        std::fprintf(ini, "[%s]\r\n", DECLARE_SECTION);
        uint32_t offset = 0;
        for (int i = 0; i < count; ++i) {
            const Row& row = g_rows[g_order[i]];
            unsigned char entry[1 + MAX_NAME_BYTES + 4];
            size_t nameLength = std::strlen(row.name);
            entry[0] = static_cast<unsigned char>(nameLength);
            std::memcpy(entry + 1, row.name, nameLength);
            for (int b = 0; b < 4; ++b)
                entry[1 + nameLength + b] = static_cast<unsigned char>(offset >> (8 * b));
            std::fwrite(entry, 1, 1 + nameLength + 4, index);
            std::fwrite(row.record, 1, static_cast<size_t>(row.recordLength), records);
            offset += static_cast<uint32_t>(row.recordLength);
            std::fprintf(ini, "%s=%s\r\n", row.name, row.declaration);
        }
    }
    std::FILE* files[] = {index, records, ini};
    for (std::FILE* file : files)
        if (file && std::fclose(file) != 0)
            ok = false;
    return ok;
}

}  // namespace

bool WriteBenchCatalogue(const char* tsvPath, const char* outDir, int count)
{
    if (count < 1 || count > MAX_INDEX_ENTRIES) {
        std::fprintf(stderr, "fixture: count must be 1 to %d\n", MAX_INDEX_ENTRIES);
        return false;
    }
    int real = ReadRows(tsvPath);
    if (real <= 0)
        return false;
    for (int i = real; i < count; ++i) {
        Row& copy = g_rows[i];
        copy = g_rows[(i - real) % real];
        if (std::strlen(copy.name) + sizeof COPY_SUFFIX > sizeof copy.name) {
            std::fprintf(stderr, "fixture: name %s too long to copy\n", copy.name);
            return false;
        }
        std::strcat(copy.name, COPY_SUFFIX);
    }
    for (int i = 0; i < count; ++i)
        g_order[i] = i;
    std::qsort(g_order, static_cast<size_t>(count), sizeof g_order[0], CompareRows);
    return WriteFiles(outDir, count);
}
