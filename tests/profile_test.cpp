#include "profile.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

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

// INI text, section, key and the value the profile functions give for it ("?" is the
// default). The same table runs against ReadProfileString everywhere and, in the
// Windows build, against GetPrivateProfileStringA, so the two are held to one set of
// answers.
struct ProfileCase {
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
};

const ProfileCase PROFILE_CASES[] = {
    {"[Other]\r\nCreateFileA=wrong\r\n[Declare]\r\nCreateFileA=HANDLE CreateFileA(LPCSTR);\r\n",
     "Declare", "CreateFileA", "HANDLE CreateFileA(LPCSTR);"},
    // Letter case, and blanks around names, values and the arguments.
    {"[declare]\ncreatefilea=x\n", "DECLARE", "CreateFileA", "x"},
    {"[ D ]\n \t A \t= \t v w \t \n", "D", "A", "v w"},
    {"[D]\nA=1\n", " D\t", "\tA ", "1"},
    {"[D]\nA=\x0b" "v\x0c\x1a\n", "D", "A", "v"},
    // Missing file text, section, key; an empty value is not missing.
    {"", "D", "A", "?"},
    {"[D]\nA=1\n", "E", "A", "?"},
    {"[D]\nA=1\n", "D", "B", "?"},
    {"[D]\nA=\n", "D", "A", ""},
    // One pair of enclosing quotes goes, and only a matching pair.
    {"[D]\nA=\" padded \"\n", "D", "A", " padded "},
    {"[D]\nA='single'\n", "D", "A", "single"},
    {"[D]\nA=\"\"\"x\"\"\"\n", "D", "A", "\"\"x\"\""},
    {"[D]\nA=\"\"\n", "D", "A", ""},
    {"[D]\nA=\"\n", "D", "A", "\""},
    {"[D]\nA=\"mixed'\n", "D", "A", "\"mixed'"},
    {"[D]\nA=\"open\n", "D", "A", "\"open"},
    // The first key of a name wins, and only the first section of a name is searched.
    {"[D]\nA=1\nA=2\n", "D", "A", "1"},
    {"[D]\nA=1\n[D]\nB=2\n", "D", "B", "?"},
    {"[D]\nA=1\n[E]\n[d]\nA=2\n", "D", "A", "1"},
    // A key line without '=' has no value and hides later lines of its name.
    {"[D]\nA\nA=1\n", "D", "A", "?"},
    // No comments: a ';' line is a key like any other.
    {"[D]\n;A=1\nA=2\n", "D", ";A", "1"},
    // Sections: up to the last ']'; a '[' line without one is an ordinary line.
    {"[D]x]\nA=1\n", "D]x", "A", "1"},
    {"[D]junk\nA=1\n", "D", "A", "1"},
    {"[D]\n[E\nA=1\n", "D", "A", "1"},
    {"[D]\n[E=1\n", "D", "[E", "1"},
    // Keys before the first section belong to the one with the empty name.
    {"A=0\n[D]\nA=1\n", "", "A", "0"},
    {"[]\nA=2\n", "", "A", "?"},
    // Line ends: CR LF, LF, CR alone; a CR ends a line wherever it is.
    {"[D]\rA=1\rB=2\r", "D", "B", "2"},
    {"[D]\nA=x\ry\n", "D", "A", "x"},
    {"[D]\nA=1", "D", "A", "1"},
    // A NUL ends a name or value but not the line.
    {std::string("[D]\nA=x\0y\nB=2\n", 15), "D", "A", "x"},
    {std::string("[D]\nA=x\0y\nB=2\n", 15), "D", "B", "2"},
    // Bytes of the ANSI code page come through unchanged; the full-width space is no blank.
    {"[D]\nA=\x82\xa0\x81\x40\n", "D", "A", "\x82\xa0\x81\x40"},
    // Value = the rest of the line, '=' and all.
    {"[D]\nA=b=c\n", "D", "A", "b=c"},
    // A value as long as the 800-byte buffer is cut to 799; a quoted one of 799 bytes
    // loses its last byte as well as the quotes.
    {"[D]\nA=" + std::string(800, 'x') + "\n", "D", "A", std::string(799, 'x')},
    {"[D]\nA=\"" + std::string(798, 'x') + "\"\n", "D", "A", std::string(798, 'x')},
    {"[D]\nA=\"" + std::string(799, 'x') + "\"\n", "D", "A", std::string(798, 'x')},
    // A line far longer than any buffer hides nothing after it.
    {"[D]\nL=" + std::string(40000, 'x') + "\nA=1\n", "D", "A", "1"},
};

TEST(ReadProfileString, AgreesWithTheProfileFunctions)
{
    int n = 0;
    for (const ProfileCase& c : PROFILE_CASES) {
        // A file per case: the system may keep a profile it has read in a cache.
        std::string path = TestPath("case" + std::to_string(n++) + ".ini");
        WriteTestFile(path, c.text);
        char out[800];
        size_t length = ReadProfileString(path.c_str(), c.section, c.key, "?", out, sizeof out);
        EXPECT_EQ(c.expected, std::string(out, length)) << "case " << n - 1;
#ifdef _WIN32
        DWORD got = GetPrivateProfileStringA(c.section, c.key, "?", out, sizeof out, path.c_str());
        EXPECT_EQ(c.expected, std::string(out, got)) << "case " << n - 1 << " (system)";
#endif
    }
    char out[800];
    ReadProfileString(TestPath("missing.ini").c_str(), "Declare", "CreateFileA", "?", out, sizeof out);
    EXPECT_STREQ("?", out);
}

// The file is read in pieces: a line cut by a piece's end, or longer than a piece,
// reads as it does from memory.
TEST(ReadProfileString, LinesAcrossPieces)
{
    const std::string tail = "[D]\r\nA=1\r\nB=\"q\"\r\n";
    std::string path = TestPath("pieces.ini");
    char out[800];
    for (size_t boundary : {PROFILE_READ_SIZE, 2 * PROFILE_READ_SIZE}) {
        for (size_t cut = 0; cut <= tail.size(); ++cut) {
            // A byte order mark, then padding that puts byte `cut` of tail at the boundary.
            std::string head = "\xEF\xBB\xBF[X]\r\nF=";
            std::string text = head + std::string(boundary - cut - head.size() - 2, 'f') +
                               "\r\n" + tail;
            ASSERT_EQ(boundary, text.size() - tail.size() + cut);
            WriteTestFile(path, text);
            ReadProfileString(path.c_str(), "D", "A", "?", out, sizeof out);
            EXPECT_STREQ("1", out) << boundary << " cut " << cut;
            ReadProfileString(path.c_str(), "D", "B", "?", out, sizeof out);
            EXPECT_STREQ("q", out) << boundary << " cut " << cut;
        }
    }
    for (size_t length : {PROFILE_READ_SIZE - 1, PROFILE_READ_SIZE, PROFILE_READ_SIZE + 1}) {
        WriteTestFile(path, "[D]\nL=" + std::string(length - 2, 'x') + "\rM=" +
                                std::string(length - 2, 'y') + "\nA=1");
        ReadProfileString(path.c_str(), "D", "A", "?", out, sizeof out);
        EXPECT_STREQ("1", out) << "lines of " << length;
        ReadProfileString(path.c_str(), "D", "L", "?", out, sizeof out);
        EXPECT_EQ(std::string(799, 'x'), out) << "lines of " << length;
        ReadProfileString(path.c_str(), "D", "M", "?", out, sizeof out);
        EXPECT_EQ(std::string(799, 'y'), out) << "lines of " << length;
    }
}

TEST(LookupProfileString, CutsToTheBuffer)
{
    const char text[] = "[D]\nA=abcdef\nQ=\"abc\"\n";
    char out[4];
    EXPECT_EQ(3u, LookupProfileString(text, sizeof text - 1, "D", "A", "", out, sizeof out));
    EXPECT_STREQ("abc", out);
    EXPECT_EQ(2u, LookupProfileString(text, sizeof text - 1, "D", "Q", "", out, sizeof out));
    EXPECT_STREQ("ab", out);
    EXPECT_EQ(0u, LookupProfileString(text, sizeof text - 1, "D", "A", "", out, 1));
    EXPECT_STREQ("", out);
}

}  // namespace
