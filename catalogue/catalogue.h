// The catalogue: where the data files are, the index and record layouts, and the
// details text. Portable C++ with no window-system code; whatever it needs from the
// platform (the module path, the ANSI code page's lead bytes) comes in as arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// windows.h defines the same value; keep one definition whichever comes first.
#ifndef MAX_PATH
#define MAX_PATH 260
#endif
static_assert(MAX_PATH == 260, "module path buffer");

constexpr int PATH_BUFFER_SIZE = 360;
constexpr int MAX_INDEX_ENTRIES = 6000;
constexpr int RECORD_BUFFER_SIZE = 300;
constexpr int RECORD_FIELD_COUNT = 9;
// The longest name an index entry can hold (its length is one byte).
constexpr int MAX_NAME_BYTES = 255;
constexpr int NAME_BUFFER_SIZE = MAX_NAME_BYTES + 1;
// One field can take the whole buffer: byte 299 ends it when no NUL comes sooner.
constexpr int RECORD_FIELD_SIZE = RECORD_BUFFER_SIZE;
// The details text of a 255-byte name and a full record takes 776 bytes; 800 holds it.
constexpr int TEXT_BUFFER_SIZE = 800;

constexpr const char INDEX_FILE_NAME[] = "vq_api.dat";
constexpr const char RECORD_FILE_NAME[] = "vq_dat.dat";
constexpr const char INI_FILE_NAME[] = "api.ini";
constexpr const char DECLARE_SECTION[] = "Declare";

// Letter case as the list's prefix search and the profile functions ignore it in
// narrow text: ASCII letters only.
inline char FoldLetterCase(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether a byte starts a two-byte character in the ANSI code page. Null: none does.
using LeadByteTest = bool (*)(unsigned char byte);

// Code page 932 (Shift_JIS): lead bytes 0x81-0x9F and 0xE0-0xFC. For hosts without
// the Windows code page functions, and for tests.
bool IsCodePage932LeadByte(unsigned char byte);

struct DataPaths {
    char programDir[PATH_BUFFER_SIZE];
    char indexPath[PATH_BUFFER_SIZE];
    char recordPath[PATH_BUFFER_SIZE];
    char iniPath[PATH_BUFFER_SIZE];
};

// Splits off the program directory: backslash and colon separate (and the slash too
// when slashSeparates, for POSIX hosts); two-byte characters are stepped over whole.
// Reads at most MAX_PATH - 1 bytes of modulePath. Touches no file.
DataPaths ResolveDataPaths(const char* modulePath, LeadByteTest isLeadByte,
                           bool slashSeparates = false);

struct IndexEntry {
    char name[NAME_BUFFER_SIZE];  // NUL-terminated, 0 to 255 bytes
    uint32_t recordOffset;
};

using IndexReceiver = void (*)(const IndexEntry& entry, void* context);

// Hands every entry of the index to receiver, in file order, at most
// MAX_INDEX_ENTRIES. False (and no call) when the file cannot be opened for reading.
bool LoadIndex(const char* indexPath, IndexReceiver receiver, void* context);

struct RecordFile {
    std::FILE* stream;  // null: the file could not be opened
};

RecordFile OpenRecordFile(const char* recordPath);
bool IsRecordFileOpen(const RecordFile& file);
void CloseRecordFile(RecordFile& file);

// The nine texts of one record, each NUL-terminated; a value that owns them.
struct SupportRecord {
    char windowsNt[RECORD_FIELD_SIZE];
    char windows[RECORD_FIELD_SIZE];
    char windowsCe[RECORD_FIELD_SIZE];
    char win32s[RECORD_FIELD_SIZE];
    char component[RECORD_FIELD_SIZE];
    char componentVersion[RECORD_FIELD_SIZE];
    char headerFile[RECORD_FIELD_SIZE];
    char importLibrary[RECORD_FIELD_SIZE];
    char unicode[RECORD_FIELD_SIZE];
};

// The record's fields in file order, for code that walks all nine.
char* RecordField(SupportRecord& record, int index);
const char* RecordField(const SupportRecord& record, int index);
// The names of the nine fields, as the record layout calls them.
extern const char* const RECORD_FIELD_NAMES[RECORD_FIELD_COUNT];

// Splits up to RECORD_BUFFER_SIZE bytes (byte 299 counts as NUL whatever it holds)
// into the nine texts; a field that starts past the buffer is empty.
SupportRecord ParseSupportRecord(const unsigned char* bytes, size_t length);

// Never fails: an offset at or past the end of the file, or bytes that run out,
// give empty texts; nothing from an earlier read shows through.
SupportRecord ReadSupportRecord(RecordFile& file, uint32_t recordOffset);

// Builds the details text into out (outSize bytes, at least 1) and returns its
// length. Never writes past out; a text that would not fit is cut short.
size_t FormatDetailsText(const char* name, const SupportRecord& record, char* out,
                         size_t outSize);
