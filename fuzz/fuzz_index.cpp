// The index loader on any bytes: every entry it hands on must be a terminated name.
#include "catalogue.h"
#include "fuzz_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static void CheckEntry(const IndexEntry& entry, void* context)
{
    if (std::memchr(entry.name, '\0', sizeof entry.name) == nullptr)
        std::abort();
    ++*static_cast<int*>(context);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = WriteInputFile("index", data, size);
    if (path.empty())
        return 0;
    int count = 0;
    if (!LoadIndex(path.c_str(), CheckEntry, &count) || count > MAX_INDEX_ENTRIES)
        std::abort();
    return 0;
}
