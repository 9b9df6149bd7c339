#include "catalogue.h"
#include "cat_fixture.h"
#include "catalogue_build.h"
#include "profile.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

const char* const HEADER = SOURCE_HEADER;

std::string Row(const std::string& name, const std::string& declaration = "",
                const std::string& windowsNt = "Yes")
{
    return SourceRow(name, declaration, windowsNt);
}

bool Build(const std::string& source, CatalogueFiles& files, BuildError& error)
{
    return BuildCatalogue(source.data(), source.size(), files, error);
}

TEST(BuildCatalogue, WritesIndexSharedRecordsAndIni)
{
    std::string source = std::string(HEADER) + Row("GetTickCount", "DWORD GetTickCount(void);") +
                         Row("Beep", "", "3.1") + "\r\n" +
                         Row("Sleep", " void Sleep(DWORD); ");
    source.insert(source.size() - 1, "\r");  // CR LF ends the last row
    CatalogueFiles files;
    BuildError error{};
    ASSERT_TRUE(Build(source, files, error)) << error.line << ": " << error.reason;

    std::string first = SourceRecord("Yes"), second = SourceRecord("3.1");
    EXPECT_EQ(IndexEntryBytes("GetTickCount", 0) + IndexEntryBytes("Beep", static_cast<uint32_t>(first.size())) +
                  IndexEntryBytes("Sleep", 0),
              files.index);
    EXPECT_EQ(first + second, files.records);
    EXPECT_EQ("[Declare]\r\nGetTickCount=DWORD GetTickCount(void);\r\n"
              "Sleep=\" void Sleep(DWORD); \"\r\n",
              files.ini);

    // Columns are found by name: another order and an extra column change nothing.
    std::string reordered = "declaration\tnote\tname\twindowsNt\twindows\twindowsCe\twin32s\t"
                            "component\tcomponentVersion\theaderFile\timportLibrary\tunicode\n";
    for (const char* row : {"DWORD GetTickCount(void);\tx\tGetTickCount\tYes",
                            "\t\tBeep\t3.1", " void Sleep(DWORD); \t\tSleep\tYes"})
        reordered += std::string(row) + "\t\t\t\tkernel32.dll\t\twinbase.h\tkernel32.lib\t\n";
    CatalogueFiles again;
    ASSERT_TRUE(Build(reordered, again, error)) << error.line << ": " << error.reason;
    EXPECT_EQ(files.index, again.index);
    EXPECT_EQ(files.records, again.records);
    EXPECT_EQ(files.ini, again.ini);
}

TEST(BuildCatalogue, RefusesWhatCannotBeShownWhole)
{
    std::string nineFields = "\t\t\t\t\t\t\t\t";
    struct Case {
        std::string source;
        int line;  // 0: accepted
        const char* reason;
    } cases[] = {
        {"", 1, "no header"},
        {"name\twindowsNt\twindows\twindowsCe\twin32s\tcomponent\tcomponentVersion\t"
         "headerFile\timportLibrary\tdeclaration\n",
         1, "no column 'unicode'"},
        {std::string(HEADER) + Row(std::string(99, 'n')), 0, ""},
        {std::string(HEADER) + Row("A") + Row(std::string(100, 'n')), 3, "name of 100 bytes"},
        {std::string(HEADER) + Row(""), 2, "empty name"},
        // Nine texts and nine NULs: 300 bytes fit, 301 do not.
        {std::string(HEADER) + "A\t" + std::string(291, 'r') + nineFields + "\t\n", 0, ""},
        {std::string(HEADER) + "A\t" + std::string(292, 'r') + nineFields + "\t\n", 2,
         "record of 301 bytes"},
        {std::string(HEADER) + Row("A", std::string(799, 'd')), 0, ""},
        {std::string(HEADER) + Row("A", std::string(800, 'd')), 2, "declaration of 800"},
        {std::string(HEADER) + Row("A", " " + std::string(797, 'd')), 0, ""},
        {std::string(HEADER) + Row("A", " " + std::string(798, 'd')), 2, "needs quotes"},
        {std::string(HEADER) + Row("A", "int\tA(void);"), 2, "12 fields"},
        {std::string(HEADER) + "A\t1\n", 2, "2 fields"},
        {std::string(HEADER) + Row("A", "int A\r(void);"), 2, "line break (CR)"},
        {std::string(HEADER) + Row(std::string("A\0B", 3)), 2, "NUL byte"},
        {std::string(HEADER) + Row("A=B"), 2, "'='"},
        {std::string(HEADER) + Row("A;B"), 2, "';'"},
        {std::string(HEADER) + Row("[A]"), 2, "'['"},
        {std::string(HEADER) + Row("Beep") + Row("Sleep") + Row("BEEP"), 4,
         "repeats line 2"},
        // Empty lines are skipped but still counted.
        {std::string(HEADER) + "\n\r\n" + Row(""), 4, "empty name"},
    };
    for (const Case& c : cases) {
        CatalogueFiles files;
        BuildError error{0, ""};
        bool built = Build(c.source, files, error);
        SCOPED_TRACE(c.source.substr(0, 120));
        if (c.line == 0) {
            EXPECT_TRUE(built) << error.line << ": " << error.reason;
            continue;
        }
        EXPECT_FALSE(built);
        EXPECT_EQ(c.line, error.line);
        EXPECT_NE(std::string::npos, error.reason.find(c.reason)) << error.reason;
    }
}

TEST(BuildCatalogue, RowLimit)
{
    std::string source = HEADER;
    for (int i = 0; i < MAX_INDEX_ENTRIES; ++i)
        source += Row("F" + std::to_string(i));
    CatalogueFiles files;
    BuildError error{};
    EXPECT_TRUE(Build(source, files, error)) << error.line << ": " << error.reason;
    source += Row("OneTooMany");
    ASSERT_FALSE(Build(source, files, error));
    EXPECT_EQ(MAX_INDEX_ENTRIES + 2, error.line);
    EXPECT_NE(std::string::npos, error.reason.find("more than 6000 rows"));
}

// Every declaration must come back byte for byte through the profile reader; under
// Windows through the system's own as well.
TEST(BuildCatalogue, DeclarationsReadBackExactly)
{
    const std::string declarations[] = {
        "int A(void);",  " leading",    "trailing ",        "\"quoted\"",
        "'single'",      "\"",          "\"\"",             "'",
        "\"open",        "close'",      "\"mixed'",         "x = \"y\"",
        "\x0b" "vt",     "\x1a",        "[Not a section]", ";not a comment",
        "\x82\xa0\x82\xa2",             " " + std::string(796, 'q') + " ",
        std::string(799, 'w'),
    };
    std::string source = HEADER;
    int n = 0;
    for (const std::string& declaration : declarations)
        source += Row("D" + std::to_string(n++), declaration);
    CatalogueFiles files;
    BuildError error{};
    ASSERT_TRUE(Build(source, files, error)) << error.line << ": " << error.reason;
    std::string iniPath = TestPath("roundtrip.ini");
    WriteTestFile(iniPath, files.ini);

    n = 0;
    for (const std::string& declaration : declarations) {
        std::string key = "D" + std::to_string(n++);
        char out[TEXT_BUFFER_SIZE];
        LookupProfileString(files.ini.data(), files.ini.size(), DECLARE_SECTION, key.c_str(),
                            "?", out, sizeof out);
        EXPECT_EQ(declaration, out) << key;
#ifdef _WIN32
        GetPrivateProfileStringA(DECLARE_SECTION, key.c_str(), "?", out, sizeof out,
                                 iniPath.c_str());
        EXPECT_EQ(declaration, out) << key << " (GetPrivateProfileStringA)";
#endif
    }
}

TEST(WriteCatalogueFiles, AllOrNothing)
{
    namespace fs = std::filesystem;
    std::string dir = TestPath("out");
    fs::create_directories(dir);
    const char* names[] = {INDEX_FILE_NAME, RECORD_FILE_NAME, INI_FILE_NAME};
    for (const char* name : names)
        WriteTestFile(dir + "/" + name, std::string("old ") + name);
    CatalogueFiles files{"new index", "new records", "new ini"};

    // A directory where the second temporary file would go makes the write fail.
    fs::create_directory(dir + "/api.ini.new");
    std::string error;
    EXPECT_FALSE(WriteCatalogueFiles(dir.c_str(), files, error));
    EXPECT_NE(std::string::npos, error.find("api.ini.new")) << error;
    for (const char* name : names)
        EXPECT_EQ(std::string("old ") + name, ReadTestFile(dir + "/" + name));
    EXPECT_FALSE(fs::exists(dir + "/vq_dat.dat.new"));

    fs::remove(dir + "/api.ini.new");
    ASSERT_TRUE(WriteCatalogueFiles(dir.c_str(), files, error)) << error;
    EXPECT_EQ("new index", ReadTestFile(dir + "/" + INDEX_FILE_NAME));
    EXPECT_EQ("new records", ReadTestFile(dir + "/" + RECORD_FILE_NAME));
    EXPECT_EQ("new ini", ReadTestFile(dir + "/" + INI_FILE_NAME));
    int left = 0;
    for (const auto& item : fs::directory_iterator(dir))
        left += item.path().extension() == ".new";
    EXPECT_EQ(0, left);

    EXPECT_FALSE(WriteCatalogueFiles(TestPath("no-such-dir").c_str(), files, error));
    EXPECT_NE(std::string::npos, error.find("no-such-dir")) << error;
}

}  // namespace
