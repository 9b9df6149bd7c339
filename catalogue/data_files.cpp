#include "catalogue.h"

#include <cstring>

// Read-only and binary: nothing is ever written, and a catalogue on read-only media
// or without write permission must still open.
static std::FILE* OpenDataFile(const char* path)
{
    return std::fopen(path, "rb");
}

// Fills chunk up to its size from file, keeping the bytes from pos on; false once
// nothing more comes.
static bool Refill(std::FILE* file, unsigned char* chunk, size_t size, size_t& have, size_t& pos)
{
    std::memmove(chunk, chunk + pos, have - pos);
    have -= pos;
    pos = 0;
    size_t got = 0;
    while (have < size && (got = std::fread(chunk + have, 1, size - have, file)) > 0)
        have += got;
    return got > 0 || have == size;
}

// Names are copied in blocks of this many bytes, one move each: an exact copy of a
// short, varying length costs several times more.
constexpr size_t NAME_COPY_BLOCK = 16;

// Copies a name of length bytes and ends it; a NUL among the bytes ends it earlier.
// Reads up to NAME_COPY_BLOCK - 1 bytes past the name, which the caller provides.
static void CopyName(char* name, const unsigned char* bytes, size_t length)
{
    if (length + NAME_COPY_BLOCK <= NAME_BUFFER_SIZE) {
        for (size_t i = 0; i < length; i += NAME_COPY_BLOCK)
            std::memcpy(name + i, bytes + i, NAME_COPY_BLOCK);
    } else {
        std::memcpy(name, bytes, length);
    }
    name[length] = '\0';
}

bool LoadIndex(const char* indexPath, IndexReceiver receiver, void* context)
{
    std::FILE* file = OpenDataFile(indexPath);
    if (!file)
        return false;
    // The index is read in large chunks and walked in memory: three stream calls per
    // entry cost many times the reading itself.
    // The slack after the chunk lets a name copy run over in whole blocks.
    static unsigned char chunk[(1 << 16) + NAME_COPY_BLOCK];
    const size_t longestEntry = 5 + MAX_NAME_BYTES;
    size_t have = 0, pos = 0;
    bool more = true;
    IndexEntry entry;
    for (int count = 0; count < MAX_INDEX_ENTRIES; ++count) {
        if (more && have - pos < longestEntry)
            more = Refill(file, chunk, sizeof chunk - NAME_COPY_BLOCK, have, pos);
        if (pos == have)
            break;
        size_t length = chunk[pos];
        // An entry cut short by the end of the file is not handed on.
        if (have - pos < 5 + length)
            break;
        const unsigned char* bytes = chunk + pos + 1;
        CopyName(entry.name, bytes, length);
        bytes += length;
        entry.recordOffset = static_cast<uint32_t>(bytes[0]) |
                             static_cast<uint32_t>(bytes[1]) << 8 |
                             static_cast<uint32_t>(bytes[2]) << 16 |
                             static_cast<uint32_t>(bytes[3]) << 24;
        pos += 5 + length;
        receiver(entry, context);
    }
    std::fclose(file);
    return true;
}

RecordFile OpenRecordFile(const char* recordPath)
{
    return RecordFile{OpenDataFile(recordPath)};
}

bool IsRecordFileOpen(const RecordFile& file)
{
    return file.stream != nullptr;
}

void CloseRecordFile(RecordFile& file)
{
    if (file.stream)
        std::fclose(file.stream);
    file.stream = nullptr;
}

const char* const RECORD_FIELD_NAMES[RECORD_FIELD_COUNT] = {
    "windowsNt", "windows",    "windowsCe",     "win32s",  "component",
    "componentVersion", "headerFile", "importLibrary", "unicode",
};

char* RecordField(SupportRecord& record, int index)
{
    char* fields[RECORD_FIELD_COUNT] = {
        record.windowsNt, record.windows,    record.windowsCe,     record.win32s, record.component,
        record.componentVersion, record.headerFile, record.importLibrary, record.unicode,
    };
    return fields[index];
}

const char* RecordField(const SupportRecord& record, int index)
{
    return RecordField(const_cast<SupportRecord&>(record), index);
}

SupportRecord ParseSupportRecord(const unsigned char* bytes, size_t length)
{
    unsigned char buffer[RECORD_BUFFER_SIZE] = {};
    std::memcpy(buffer, bytes, length < sizeof buffer ? length : sizeof buffer);
    buffer[RECORD_BUFFER_SIZE - 1] = '\0';

    SupportRecord record;
    size_t start = 0;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i) {
        char* field = RecordField(record, i);
        // Byte 299 is always a NUL, so no text runs past the buffer; a field that
        // would start after it is empty.
        size_t textLength = 0;
        if (start < RECORD_BUFFER_SIZE) {
            textLength = std::strlen(reinterpret_cast<const char*>(buffer + start));
            std::memcpy(field, buffer + start, textLength);
        }
        field[textLength] = '\0';
        start += textLength + 1;
    }
    return record;
}

static bool SeekTo(std::FILE* file, uint32_t offset)
{
    // A 64-bit seek, so offsets of 2^31 and more land where they say.
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

SupportRecord ReadSupportRecord(RecordFile& file, uint32_t recordOffset)
{
    unsigned char buffer[RECORD_BUFFER_SIZE];
    size_t got = 0;
    // A failed seek reads nothing rather than bytes from wherever the stream was.
    if (file.stream && SeekTo(file.stream, recordOffset))
        got = std::fread(buffer, 1, sizeof buffer, file.stream);
    return ParseSupportRecord(buffer, got);
}
