// Compiling a tab-separated catalogue source into the three catalogue files, and the
// raw view of an index that `check` needs. Works on memory; main.cpp does the files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The search box takes at most 99 bytes, so a longer name could never be typed whole.
constexpr int MAX_SHOWN_NAME_BYTES = 99;
// The declaration buffer is 800 bytes, the terminator included.
constexpr int MAX_DECLARATION_BYTES = 799;
// A value wrapped in quotes loses a byte when the value after the opening quote is
// exactly as long as the buffer, so a wrapped declaration stays one byte shorter.
constexpr int MAX_QUOTED_DECLARATION_BYTES = 798;

struct CatalogueFiles {
    std::string index;    // vq_api.dat
    std::string records;  // vq_dat.dat
    std::string ini;      // api.ini
};

struct BuildError {
    int line;  // 1-based line of the source
    std::string reason;
};

// Compiles the source text. False, with the first problem in error, when any row
// could not be shown whole; files is then unspecified.
bool BuildCatalogue(const char* text, size_t length, CatalogueFiles& files,
                    BuildError& error);

// Whether a declaration must be wrapped in one extra pair of double quotes so that
// the profile reader gives it back unchanged (blanks at either end, or enclosing
// quotes of its own).
bool NeedsIniQuotes(const std::string& value);

// One index entry as the bytes hold it, with no limit on the count.
struct RawIndexEntry {
    size_t position;  // byte offset of the length byte
    size_t nameLength;
    const char* name;       // nameLength bytes, not terminated; may hold NULs
    uint32_t recordOffset;  // valid when !cutShort
    bool cutShort;          // the bytes end inside this entry
    size_t missingBytes;    // how many more bytes it needed
};

// Whether the record at offset holds nine NUL-terminated texts within the record
// buffer, and so shows whole.
bool RecordHoldsNineTexts(const std::string& records, uint32_t offset);

// Reads the entry at pos and moves pos past it. False at the end of the bytes.
bool NextRawIndexEntry(const std::string& bytes, size_t& pos, RawIndexEntry& entry);

// Reads a whole file; false (errno set) when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::string& bytes);

// Writes the three files into dir: all of them, or none and error says why. Files
// already there stay as they were when writing fails.
bool WriteCatalogueFiles(const char* dir, const CatalogueFiles& files, std::string& error);
