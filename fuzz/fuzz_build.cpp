// The catalogue source compiler: on any text what it accepts must make a sound
// catalogue; and any input taken as a declaration must come back unchanged from the
// INI it writes, or be refused.
#include "catalogue.h"
#include "catalogue_build.h"
#include "profile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static void CheckCatalogue(const CatalogueFiles& files)
{
    size_t pos = 0, count = 0;
    RawIndexEntry entry;
    while (NextRawIndexEntry(files.index, pos, entry)) {
        ++count;
        if (entry.cutShort || entry.nameLength == 0 || entry.nameLength > MAX_SHOWN_NAME_BYTES ||
            entry.recordOffset >= files.records.size())
            std::abort();
        if (!RecordHoldsNineTexts(files.records, entry.recordOffset))
            std::abort();
    }
    if (count > MAX_INDEX_ENTRIES)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    CatalogueFiles files;
    BuildError error;
    if (BuildCatalogue(text, size, files, error))
        CheckCatalogue(files);
    else if (error.line < 1 || error.reason.empty())
        std::abort();

    std::string declaration(text, size);
    std::string source = "name\twindowsNt\twindows\twindowsCe\twin32s\tcomponent\t"
                         "componentVersion\theaderFile\timportLibrary\tunicode\tdeclaration\n"
                         "Fuzzed\t\t\t\t\t\t\t\t\t\t" + declaration + "\n";
    if (declaration.find_first_of("\t\r\n") != std::string::npos ||
        !BuildCatalogue(source.data(), source.size(), files, error))
        return 0;
    char out[TEXT_BUFFER_SIZE];
    LookupProfileString(files.ini.data(), files.ini.size(), "Declare", "Fuzzed", "", out, sizeof out);
    if (declaration != out)
        std::abort();
    return 0;
}
