// Small catalogue sources and index bytes for the tolvane-cat tests.
#pragma once

#include <cstdint>
#include <string>

inline const char SOURCE_HEADER[] =
    "name\twindowsNt\twindows\twindowsCe\twin32s\tcomponent\t"
    "componentVersion\theaderFile\timportLibrary\tunicode\tdeclaration\n";

// One source row: the name, a kernel32 record, the declaration.
inline std::string SourceRow(const std::string& name, const std::string& declaration = "",
                             const std::string& windowsNt = "Yes",
                             const std::string& unicode = "")
{
    return name + "\t" + windowsNt + "\t\t\t\tkernel32.dll\t\twinbase.h\tkernel32.lib\t" +
           unicode + "\t" + declaration + "\n";
}

// The record bytes SourceRow's fields compile to.
inline std::string SourceRecord(const std::string& windowsNt, const std::string& unicode = "")
{
    static const char middle[] = "\0\0\0\0kernel32.dll\0\0winbase.h\0kernel32.lib\0";
    return windowsNt + std::string(middle, sizeof middle - 1) + unicode + std::string(1, '\0');
}

// One index entry: length byte, name, little-endian record offset.
inline std::string IndexEntryBytes(const std::string& name, uint32_t offset)
{
    std::string bytes(1, static_cast<char>(name.size()));
    bytes += name;
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>((offset >> shift) & 0xFF);
    return bytes;
}
