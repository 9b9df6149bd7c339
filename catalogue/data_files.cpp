#include "catalogue.h"

#include <cstring>

// Read-only and binary: nothing is ever written, and a catalogue on read-only media
// or without write permission must still open.
static std::FILE* OpenDataFile(const char* path)
{
    return std::fopen(path, "rb");
}

bool LoadIndex(const char* indexPath, IndexReceiver receiver, void* context)
{
    std::FILE* file = OpenDataFile(indexPath);
    if (!file)
        return false;
    // One large buffer: the whole index is read in small pieces at start-up.
    static char streamBuffer[1 << 16];
    std::setvbuf(file, streamBuffer, _IOFBF, sizeof streamBuffer);

    IndexEntry entry;
    unsigned char offsetBytes[4];
    for (int count = 0; count < MAX_INDEX_ENTRIES; ++count) {
        int length = std::getc(file);
        if (length == EOF)
            break;
        // An entry cut short by the end of the file is not handed on.
        if (std::fread(entry.name, 1, static_cast<size_t>(length), file) !=
                static_cast<size_t>(length) ||
            std::fread(offsetBytes, 1, 4, file) != 4)
            break;
        entry.name[length] = '\0';  // a NUL among the bytes ends the name earlier
        entry.recordOffset = static_cast<uint32_t>(offsetBytes[0]) |
                             static_cast<uint32_t>(offsetBytes[1]) << 8 |
                             static_cast<uint32_t>(offsetBytes[2]) << 16 |
                             static_cast<uint32_t>(offsetBytes[3]) << 24;
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
