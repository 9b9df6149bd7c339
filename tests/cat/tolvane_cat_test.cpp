// tolvane-cat run as a child process on small catalogues built by tolvane-cat itself.
#include "cat_fixture.h"
#include "catalogue.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

std::string CatExe()
{
#ifdef _WIN32
    // Built on the host: Wine reaches its files through drive Z:.
    std::string path = std::string("Z:") + TOLVANE_CAT_EXE;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
#else
    return TOLVANE_CAT_EXE;
#endif
}

struct CatRun {
    int status;
    std::string out;
    std::string err;
};

// Runs tolvane-cat with args (already quoted where needed); stdout goes to outPath.
CatRun RunCat(const std::string& args, const std::string& outPath = TestPath("stdout"))
{
    std::string errPath = TestPath("stderr");
    std::string command = Quote(CatExe()) + " " + args + " >" + Quote(outPath) + " 2>" +
                          Quote(errPath);
#ifdef _WIN32
    int status = std::system(Quote(command).c_str());  // cmd /c drops the outer quotes
#else
    int raw = std::system(command.c_str());
    int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    std::string out = outPath == TestPath("stdout") ? ReadTestFile(outPath) : "";
#ifdef _WIN32
    // Text mode on the console side writes CR LF; compare with LF.
    if (args.find("--raw") == std::string::npos) {
        std::string plain;
        for (char c : out)
            if (c != '\r')
                plain += c;
        out = plain;
    }
#endif
    return CatRun{status, out, ReadTestFile(errPath)};
}

const std::string LONG_NAME = "Long" + std::string(95, 'x');  // 99 bytes

// Items 0 GetWindowTextA, 1 GlobalAlloc, 2 GetWindowLongA (sharing item 0's record).
class TolvaneCat : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = TestPath("catalogue");
        fs::create_directories(dir);
        std::string source = TestPath("fixture.tsv");
        WriteTestFile(source, std::string(SOURCE_HEADER) +
                                  SourceRow("GetWindowTextA", "int GetWindowTextA(HWND, LPSTR, int);",
                                            "Yes", "Yes") +
                                  SourceRow("GlobalAlloc", " HGLOBAL GlobalAlloc(UINT, SIZE_T); ",
                                            "3.1") +
                                  SourceRow("GetWindowLongA", "", "Yes", "Yes") +
                                  SourceRow(LONG_NAME, "", "4.0"));
        CatRun built = RunCat("build --out " + Quote(dir) + " " + Quote(source));
        ASSERT_EQ(0, built.status) << built.err;
    }
    static std::string dir;

    static CatRun Cat(const std::string& args) { return RunCat("--dir " + Quote(dir) + " " + args); }
};
std::string TolvaneCat::dir;

std::string Details(const char* name, const std::string& recordBytes)
{
    SupportRecord record = ParseSupportRecord(
        reinterpret_cast<const unsigned char*>(recordBytes.data()), recordBytes.size());
    char text[TEXT_BUFFER_SIZE];
    size_t length = FormatDetailsText(name, record, text, sizeof text);
    return std::string(text, length);
}

TEST_F(TolvaneCat, ShowsDetailsAndDeclaration)
{
    std::string details = Details("GlobalAlloc", SourceRecord("3.1"));
    CatRun raw = Cat("show --raw GlobalAlloc");
    EXPECT_EQ(0, raw.status) << raw.err;
    EXPECT_EQ(details, raw.out);

    CatRun shown = Cat("show GlobalAlloc");
    EXPECT_EQ(0, shown.status) << shown.err;
    std::string expected;
    for (char c : details)
        if (c != '\r')
            expected += c;
    EXPECT_EQ(expected + "\n\nDeclaration:  HGLOBAL GlobalAlloc(UINT, SIZE_T); \n", shown.out);

    // The Unicode line, and no declaration line where there is none.
    CatRun unicode = Cat("show GetWindowLongA");
    EXPECT_EQ(0, unicode.status) << unicode.err;
    EXPECT_NE(std::string::npos, unicode.out.find("Unicode       : Implemented"));
    EXPECT_EQ(std::string::npos, unicode.out.find("Declaration"));

    CatRun unknown = Cat("show globalalloc");
    EXPECT_EQ(1, unknown.status);
    EXPECT_EQ("", unknown.out);
    EXPECT_NE(std::string::npos, unknown.err.find("'globalalloc'")) << unknown.err;
}

TEST_F(TolvaneCat, FindsAsTheSearchBoxDoes)
{
    struct Case {
        std::string prefix;
        const char* name;  // null: nothing matches
    } cases[] = {
        {"g", "GlobalAlloc"},
        {"getwindow", "GetWindowLongA"},
        {"getwindowt", "GetWindowTextA"},
        {"GETWINDOWTEXTA", "GetWindowTextA"},
        {LONG_NAME + "beyond99", LONG_NAME.c_str()},  // only 99 bytes count
        {"x", nullptr},
        {"GetWindowTextAB", nullptr},
    };
    for (const Case& c : cases) {
        CatRun found = Cat("find " + Quote(c.prefix));
        if (c.name) {
            EXPECT_EQ(0, found.status) << c.prefix << ": " << found.err;
            EXPECT_EQ(std::string(c.name) + "\n", found.out) << c.prefix;
        } else {
            EXPECT_EQ(1, found.status) << c.prefix;
            EXPECT_EQ("", found.out);
            EXPECT_NE(std::string::npos, found.err.find(c.prefix)) << found.err;
        }
    }
}

TEST_F(TolvaneCat, ListsAndChecks)
{
    CatRun list = Cat("list");
    EXPECT_EQ(0, list.status) << list.err;
    EXPECT_EQ("GetWindowTextA\nGlobalAlloc\nGetWindowLongA\n" + LONG_NAME + "\n", list.out);

    std::string second = std::to_string(SourceRecord("Yes", "Yes").size());
    std::string third = std::to_string(SourceRecord("Yes", "Yes").size() + SourceRecord("3.1").size());
    CatRun offsets = Cat("list -l");
    EXPECT_EQ(0, offsets.status) << offsets.err;
    EXPECT_EQ("GetWindowTextA\t0\nGlobalAlloc\t" + second + "\nGetWindowLongA\t0\n" + LONG_NAME +
                  "\t" + third + "\n",
              offsets.out);

    CatRun check = Cat("check");
    EXPECT_EQ(0, check.status) << check.err;
    EXPECT_EQ("4 entries, 3 records, ok\n", check.out);
}

TEST(TolvaneCatCheck, ReportsEachDamage)
{
    std::string good = SourceRecord("Yes");
    std::string many;
    for (int i = 0; i <= MAX_INDEX_ENTRIES; ++i)
        many += IndexEntryBytes("F" + std::to_string(i), 0);
    struct Case {
        const char* what;
        std::string index;
        std::string records;
        const char* report;
    } cases[] = {
        {"cut short", IndexEntryBytes("A", 0) + IndexEntryBytes("B", 0).substr(0, 4), good,
         "entry 1: cut short: the file ends 2 bytes"},
        {"offset past end", IndexEntryBytes("A", 0) + IndexEntryBytes("B", 1000), good,
         "entry 1 (B): record offset 1000 is past the end"},
        {"unterminated", IndexEntryBytes("A", 0), std::string(8, '\0') + std::string(400, 'x'),
         "entry 0 (A): record at offset 0 does not hold nine"},
        {"record cut by the file end", IndexEntryBytes("A", 4), good,
         "entry 0 (A): record at offset 4 does not hold nine"},
        {"duplicate", IndexEntryBytes("A", 0) + IndexEntryBytes("B", 0) + IndexEntryBytes("A", 0),
         good, "entry 2 (A): same name as entry 0"},
        {"long name", IndexEntryBytes(std::string(100, 'n'), 0), good, "name of 100 bytes"},
        {"too many", many, good, "entry 6000: 6001 entries"},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string dir = TestPath("damaged" + std::to_string(n++));
        fs::create_directories(dir);
        WriteTestFile(dir + "/" + INDEX_FILE_NAME, c.index);
        WriteTestFile(dir + "/" + RECORD_FILE_NAME, c.records);
        CatRun check = RunCat("--dir " + Quote(dir) + " check");
        EXPECT_EQ(1, check.status) << c.what;
        EXPECT_NE(std::string::npos, check.out.find(c.report)) << c.what << ":\n" << check.out;
        EXPECT_NE(std::string::npos, check.err.find("problem")) << c.what << ": " << check.err;
    }
}

TEST(TolvaneCatErrors, MissingFilesAndBadUsage)
{
    std::string missing = Quote(TestPath("nowhere"));
    struct Case {
        std::string args;
        int status;
        const char* err;
    } cases[] = {
        {"--dir " + missing + " show A", 1, INDEX_FILE_NAME},
        {"--dir " + missing + " find A", 1, INDEX_FILE_NAME},
        {"--dir " + missing + " list", 1, INDEX_FILE_NAME},
        {"--dir " + missing + " check", 1, INDEX_FILE_NAME},
        {"build --out " + missing + " " + Quote(TestPath("none.tsv")), 1, "none.tsv"},
        {"", 2, "usage:"},
        {"show", 2, "usage:"},
        {"list --raw", 2, "usage:"},
        {"frobnicate", 2, "usage:"},
    };
    for (const Case& c : cases) {
        CatRun run = RunCat(c.args);
        EXPECT_EQ(c.status, run.status) << c.args;
        EXPECT_EQ("", run.out) << c.args;
        EXPECT_NE(std::string::npos, run.err.find(c.err)) << c.args << ": " << run.err;
    }
    CatRun help = RunCat("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("usage:"));

    // A refused row is named by file and line, and nothing is written.
    std::string dir = TestPath("refused");
    fs::create_directories(dir);
    std::string source = TestPath("refused.tsv");
    WriteTestFile(source, std::string(SOURCE_HEADER) + SourceRow("A") + SourceRow(""));
    CatRun refused = RunCat("build --out " + Quote(dir) + " " + Quote(source));
    EXPECT_EQ(1, refused.status);
    EXPECT_NE(std::string::npos, refused.err.find("refused.tsv:3: empty name")) << refused.err;
    EXPECT_TRUE(fs::is_empty(dir));
}

#ifndef _WIN32
TEST_F(TolvaneCat, OutputThatCannotBeWrittenFails)
{
    CatRun full = RunCat("--dir " + Quote(dir) + " list", "/dev/full");
    EXPECT_NE(0, full.status);
    EXPECT_NE(std::string::npos, full.err.find("cannot write output")) << full.err;
}
#endif

}  // namespace
