#include "profile.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ReadProfileString, DeclareSectionLookups)
{
    std::string path = TestPath("api.ini");
    WriteTestFile(path, "[Other]\r\nCreateFileA=wrong\r\n[Declare]\r\n"
                        "CreateFileA=HANDLE CreateFileA(LPCSTR);\r\n"
                        "Quoted = \"  padded  \"  \r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Declare", "CreateFileA", "HANDLE CreateFileA(LPCSTR);"},
        {"declare", "createfilea", "HANDLE CreateFileA(LPCSTR);"},
        {"Declare", "Quoted", "  padded  "},
        {"Declare", "Missing", ""},
        {"Nowhere", "CreateFileA", ""},
    };
    for (const Case& c : cases) {
        char out[800];
        ReadProfileString(path.c_str(), c.section, c.key, "", out, sizeof out);
        EXPECT_STREQ(c.expected, out) << c.section << "/" << c.key;
    }
    char out[800];
    ReadProfileString(TestPath("missing.ini").c_str(), "Declare", "CreateFileA", "", out, sizeof out);
    EXPECT_STREQ("", out);
}

}  // namespace
