#include "catalogue_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "../test_files.h"

std::string NewTestDir(const std::string& name)
{
    std::string dir = TestPath(name);
    std::filesystem::create_directories(dir);
    return dir;
}

std::string JoinPath(const std::string& dir, const char* file)
{
    return dir + "\\" + file;
}

void WriteCatalogue(const std::string& dir, const std::vector<FixtureEntry>& entries,
                    IniChoice ini)
{
    // A few bytes ahead of the first record, so no offset is zero.
    std::string records = "TVQ";
    std::string index;
    std::string profile = "[Declare]\r\n";
    for (const FixtureEntry& entry : entries) {
        uint32_t offset = static_cast<uint32_t>(records.size());
        for (const std::string& field : entry.fields)
            records += field + '\0';
        index += static_cast<char>(entry.name.size());
        index += entry.name;
        for (int shift = 0; shift < 32; shift += 8)
            index += static_cast<char>(offset >> shift & 0xFF);
        if (!entry.declaration.empty())
            profile += entry.name + "=" + entry.declaration + "\r\n";
    }
    WriteTestFile(JoinPath(dir, INDEX_FILE_NAME), index);
    WriteTestFile(JoinPath(dir, RECORD_FILE_NAME), records);
    if (ini == WITH_INI)
        WriteTestFile(JoinPath(dir, INI_FILE_NAME), profile);
}

std::string ExpectedDetails(const FixtureEntry& entry)
{
    SupportRecord record;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i)
        std::strcpy(RecordField(record, i), entry.fields[i].c_str());
    char text[TEXT_BUFFER_SIZE];
    FormatDetailsText(entry.name.c_str(), record, text, sizeof text);
    return text;
}

std::vector<FixtureEntry> SampleEntries(void)
{
    return {
        {"GetWindowTextA",
         {"3.1", "95", "1.0", "Yes", "user32.dll", "", "winuser.h", "user32.lib", "Yes"},
         "int GetWindowTextA(HWND hWnd, LPSTR lpString, int nMaxCount);"},
        {"GlobalAlloc",
         {"3.1", "95", "", "Yes", "kernel32.dll", "", "winbase.h", "kernel32.lib", ""},
         ""},
        {"GetWindowLongA",
         {"3.1", "95", "", "Yes", "user32.dll", "", "winuser.h", "user32.lib", "Yes"},
         "LONG GetWindowLongA(HWND hWnd, int nIndex);"},
    };
}
