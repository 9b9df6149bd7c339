// Record parsing and the details text on any bytes, and a record read from a file at a
// fuzzed offset: no field may run past its buffer, no text past its size.
#include "catalogue.h"
#include "fuzz_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static void CheckRecord(const SupportRecord& record)
{
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i)
        if (std::strlen(RecordField(record, i)) >= RECORD_FIELD_SIZE)
            std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SupportRecord record = ParseSupportRecord(data, size);
    CheckRecord(record);

    // A name cut from the input, and a buffer size from its first byte.
    char name[NAME_BUFFER_SIZE];
    size_t nameLength = size < MAX_NAME_BYTES ? size : MAX_NAME_BYTES;
    std::memcpy(name, data, nameLength);
    name[nameLength] = '\0';
    size_t outSize = size > 0 ? 1 + data[0] * TEXT_BUFFER_SIZE / 256 : TEXT_BUFFER_SIZE;
    char text[TEXT_BUFFER_SIZE];
    size_t length = FormatDetailsText(name, record, text, outSize);
    if (length >= outSize || text[length] != '\0')
        std::abort();

    std::string path = WriteInputFile("record", data, size);
    if (path.empty())
        return 0;
    uint32_t offset = 0;
    if (size >= 4)
        std::memcpy(&offset, data, 4);
    if (size > 4 && data[4] & 1)
        offset %= static_cast<uint32_t>(size + 1);
    RecordFile records = OpenRecordFile(path.c_str());
    CheckRecord(ReadSupportRecord(records, offset));
    CloseRecordFile(records);
    return 0;
}
