#include "catalogue.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// ---- Data paths -------------------------------------------------------------------

TEST(ResolveDataPaths, ProgramDirectoryTable)
{
    struct Case {
        const char* modulePath;
        const char* programDir;
    } cases[] = {
        {"C:\\Tools\\tool.exe", "C:\\Tools\\"},
        {"\\\\server\\share\\tool.exe", "\\\\server\\share\\"},
        {"C:tool.exe", "C:"},
        {"tool.exe", ""},
        {"", ""},
        {"C:\\Tools\\\\tool.exe", "C:\\Tools\\\\"},
        {"C:\\Tools\\", "C:\\"},
        {"C:/Tools/tool.exe", "C:"},
        // 0x95 0x5C is one character in code page 932; its second byte is no separator.
        {"C:\\Tools\\\x95\x5C" "a.exe", "C:\\Tools\\"},
        // A lead byte right before the terminator is a character of its own.
        {"C:\\Tools\\\x95", "C:\\Tools\\"},
    };
    for (const Case& c : cases) {
        DataPaths paths = ResolveDataPaths(c.modulePath, IsCodePage932LeadByte);
        std::string dir = c.programDir;
        EXPECT_EQ(dir, paths.programDir) << c.modulePath;
        EXPECT_EQ(dir + "vq_api.dat", paths.indexPath) << c.modulePath;
        EXPECT_EQ(dir + "vq_dat.dat", paths.recordPath) << c.modulePath;
        EXPECT_EQ(dir + "api.ini", paths.iniPath) << c.modulePath;
    }
}

TEST(ResolveDataPaths, ByteWalkWithoutLeadBytesCutsAfterTrailByte)
{
    // Without the code page's lead bytes the 0x5C inside the character separates:
    // the reason the lead-byte test is passed in.
    DataPaths paths = ResolveDataPaths("C:\\Tools\\\x95\x5C" "a.exe", nullptr);
    EXPECT_STREQ("C:\\Tools\\\x95\x5C", paths.programDir);
}

TEST(ResolveDataPaths, SlashSeparatesOnlyWhenAsked)
{
    EXPECT_STREQ("/opt/tolvane/", ResolveDataPaths("/opt/tolvane/tolvane-cat", nullptr, true).programDir);
    EXPECT_STREQ("", ResolveDataPaths("/opt/tolvane/tolvane-cat", nullptr, false).programDir);
}

TEST(ResolveDataPaths, OverlongModulePathIsCutAndFits)
{
    std::string path = "C:\\" + std::string(400, 'd') + "\\tool.exe";
    DataPaths paths = ResolveDataPaths(path.c_str(), IsCodePage932LeadByte);
    EXPECT_STREQ("C:\\", paths.programDir);
    EXPECT_LT(std::string(paths.indexPath).size(), static_cast<size_t>(PATH_BUFFER_SIZE));
}

// ---- Index ------------------------------------------------------------------------

std::string Entry(const std::string& name, uint32_t offset)
{
    std::string bytes(1, static_cast<char>(name.size()));
    bytes += name;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((offset >> (8 * i)) & 0xFF);
    return bytes;
}

struct Loaded {
    bool opened;
    std::vector<std::pair<std::string, uint32_t>> entries;
};

void Collect(const IndexEntry& entry, void* context)
{
    static_cast<Loaded*>(context)->entries.emplace_back(entry.name, entry.recordOffset);
}

Loaded Load(const std::string& bytes)
{
    std::string path = TestPath("vq_api.dat");
    WriteTestFile(path, bytes);
    Loaded loaded{};
    loaded.opened = LoadIndex(path.c_str(), Collect, &loaded);
    return loaded;
}

using Entries = std::vector<std::pair<std::string, uint32_t>>;

TEST(LoadIndex, EntriesInFileOrder)
{
    std::string name255(255, 'n');
    struct Case {
        const char* what;
        std::string bytes;
        Entries expected;
    } cases[] = {
        {"empty file", "", {}},
        {"file order, duplicates kept",
         Entry("Zeta", 7) + Entry("Alpha", 0) + Entry("Zeta", 7),
         {{"Zeta", 7}, {"Alpha", 0}, {"Zeta", 7}}},
        {"empty name", Entry("", 300) + Entry("B", 1), {{"", 300}, {"B", 1}}},
        {"255-byte name", Entry(name255, 0xFFFFFFFFu), {{name255, 0xFFFFFFFFu}}},
        {"NUL inside a name ends it; the entry keeps its length",
         Entry(std::string("Get\0Xyz", 7), 12) + Entry("Next", 13),
         {{"Get", 12}, {"Next", 13}}},
        {"little-endian offset", std::string("\x01" "A\x2C\x01\x00\x00", 6), {{"A", 300}}},
        {"entry cut short in its name is dropped", Entry("Whole", 5) + std::string("\x09Cut", 4),
         {{"Whole", 5}}},
        {"entry cut short in its offset is dropped",
         Entry("Whole", 5) + std::string("\x03" "Cut\x01\x02", 6), {{"Whole", 5}}},
        {"first entry cut short", std::string("\x04" "Ab", 3), {}},
    };
    for (const Case& c : cases) {
        Loaded loaded = Load(c.bytes);
        EXPECT_TRUE(loaded.opened) << c.what;
        EXPECT_EQ(c.expected, loaded.entries) << c.what;
    }
}

TEST(LoadIndex, ReadsAtMostSixThousandEntries)
{
    std::string bytes;
    for (int i = 0; i < MAX_INDEX_ENTRIES; ++i)
        bytes += Entry("F" + std::to_string(i), static_cast<uint32_t>(i));
    Loaded exact = Load(bytes);
    ASSERT_EQ(6000u, exact.entries.size());
    EXPECT_EQ("F5999", exact.entries.back().first);

    Loaded over = Load(bytes + Entry("Extra", 1) + Entry("More", 2));
    ASSERT_EQ(6000u, over.entries.size());
    EXPECT_EQ("F5999", over.entries.back().first);
}

TEST(LoadIndex, MissingFileHandsOnNothing)
{
    Loaded loaded{};
    loaded.opened = LoadIndex(TestPath("no-such-index.dat").c_str(), Collect, &loaded);
    EXPECT_FALSE(loaded.opened);
    EXPECT_TRUE(loaded.entries.empty());
}

// ---- Records ----------------------------------------------------------------------

std::string Record(const std::vector<std::string>& fields)
{
    std::string bytes;
    for (const std::string& f : fields)
        bytes += f + '\0';
    return bytes;
}

std::vector<std::string> Fields(const SupportRecord& record)
{
    std::vector<std::string> fields;
    for (int i = 0; i < RECORD_FIELD_COUNT; ++i)
        fields.emplace_back(RecordField(record, i));
    return fields;
}

const std::vector<std::string> kEmpty(9, "");

TEST(ReadSupportRecord, RecordsAtTheirOffsets)
{
    std::vector<std::string> sample = {"5.1 (XP) or later", "", "", "", "kernel32.dll", "",
                                       "fileapi.h", "kernel32.lib", "NT and later"};
    // Nine texts of exactly 300 bytes: the ninth terminator is byte 299.
    std::vector<std::string> full = {std::string(290, 'a'), "", "", "", "", "", "", "", "z"};
    // Eight texts end by byte 298; the ninth would run on and is cut after byte 298.
    std::vector<std::string> longNinth = {std::string(100, 'b'), "", "", "", "", "", "", "",
                                          std::string(250, 'u')};
    std::string bytes = Record(sample);                    // offset 0
    uint32_t nulls = static_cast<uint32_t>(bytes.size());  // nine NULs
    bytes += Record(kEmpty);
    uint32_t fullAt = static_cast<uint32_t>(bytes.size());
    bytes += Record(full);
    uint32_t longAt = static_cast<uint32_t>(bytes.size());
    bytes += Record(longNinth);
    uint32_t lastAt = static_cast<uint32_t>(bytes.size());  // short, ends the file
    bytes += Record({"x", "", "", "", "", "", "", "", "last"});
    std::string path = TestPath("records.dat");
    WriteTestFile(path, bytes);

    RecordFile file = OpenRecordFile(path.c_str());
    ASSERT_TRUE(IsRecordFileOpen(file));
    std::vector<std::string> cutNinth = longNinth;
    cutNinth[8] = std::string(299 - 108, 'u');
    struct Case {
        uint32_t offset;
        std::vector<std::string> expected;
    } cases[] = {
        {0, sample},
        {nulls, kEmpty},
        {fullAt, full},
        {longAt, cutNinth},
        {lastAt, {"x", "", "", "", "", "", "", "", "last"}},
        {0, sample},  // the same offset again reads the same record
        {static_cast<uint32_t>(bytes.size()), kEmpty},  // at the end of the file
        {0x7FFFFFFFu, kEmpty},                          // far past it
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Fields(ReadSupportRecord(file, c.offset))) << c.offset;
    CloseRecordFile(file);
    EXPECT_FALSE(IsRecordFileOpen(file));
}

TEST(ReadSupportRecord, NothingStaleShowsThrough)
{
    std::string bytes = Record({"long windows nt text", "w", "ce", "32s", "comp.dll", "4.0",
                                "header.h", "lib.lib", "unicode text"});
    uint32_t tailAt = static_cast<uint32_t>(bytes.size());
    bytes += std::string("tail\0", 5) + "cut";  // the file ends inside the second text
    std::string path = TestPath("stale.dat");
    WriteTestFile(path, bytes);
    RecordFile file = OpenRecordFile(path.c_str());
    ASSERT_TRUE(IsRecordFileOpen(file));
    ReadSupportRecord(file, 0);
    std::vector<std::string> expected = {"tail", "cut", "", "", "", "", "", "", ""};
    EXPECT_EQ(expected, Fields(ReadSupportRecord(file, tailAt)));
    ReadSupportRecord(file, 0);
    EXPECT_EQ(kEmpty, Fields(ReadSupportRecord(file, 0xFFFFFFFFu)));
    CloseRecordFile(file);
}

TEST(ReadSupportRecord, WalkStopsAtTheBufferEnd)
{
    // No NUL at all in 300 bytes: byte 299 ends the first text, the rest are empty.
    SupportRecord record = ParseSupportRecord(
        reinterpret_cast<const unsigned char*>(std::string(300, 'q').data()), 300);
    std::vector<std::string> expected = kEmpty;
    expected[0] = std::string(299, 'q');
    EXPECT_EQ(expected, Fields(record));
}

TEST(ReadSupportRecord, OffsetsPastTwoGigabytes)
{
    // A sparse file with a record just past 2^31: reached with a 64-bit seek.
    std::string path = TestPath("large.dat");
    WriteTestFile(path, Record({"near", "", "", "", "", "", "", "", ""}));
    const uint32_t farAt = 0x80000010u;
    {
        std::FILE* f = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(nullptr, f);
#ifdef _WIN32
        ASSERT_EQ(0, _fseeki64(f, farAt, SEEK_SET));
#else
        ASSERT_EQ(0, fseeko(f, static_cast<off_t>(farAt), SEEK_SET));
#endif
        std::string farRecord = Record({"far", "", "", "", "", "", "", "", "u"});
        ASSERT_EQ(farRecord.size(), std::fwrite(farRecord.data(), 1, farRecord.size(), f));
        std::fclose(f);
    }
    RecordFile file = OpenRecordFile(path.c_str());
    ASSERT_TRUE(IsRecordFileOpen(file));
    EXPECT_EQ("far", Fields(ReadSupportRecord(file, farAt))[0]);
    EXPECT_EQ("u", Fields(ReadSupportRecord(file, farAt))[8]);
    EXPECT_EQ("near", Fields(ReadSupportRecord(file, 0))[0]);
    EXPECT_EQ(kEmpty, Fields(ReadSupportRecord(file, 0xFFFFFF00u)));
    CloseRecordFile(file);
    std::filesystem::remove(path);
}

TEST(DataFiles, MissingRecordFileDoesNotOpen)
{
    RecordFile file = OpenRecordFile(TestPath("no-such-records.dat").c_str());
    EXPECT_FALSE(IsRecordFileOpen(file));
}

TEST(DataFiles, ReadOnlyFilesOpenAndStayUnchanged)
{
    namespace fs = std::filesystem;
    std::string index = TestPath("ro_api.dat");
    std::string records = TestPath("ro_dat.dat");
    std::string indexBytes = Entry("ReadOnly", 0);
    std::string recordBytes = Record({"Yes", "", "", "", "k.dll", "", "k.h", "k.lib", ""});
    WriteTestFile(index, indexBytes);
    WriteTestFile(records, recordBytes);
    fs::permissions(index, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(records, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    Loaded loaded{};
    loaded.opened = LoadIndex(index.c_str(), Collect, &loaded);
    EXPECT_TRUE(loaded.opened);
    EXPECT_EQ((Entries{{"ReadOnly", 0}}), loaded.entries);
    RecordFile file = OpenRecordFile(records.c_str());
    ASSERT_TRUE(IsRecordFileOpen(file));
    EXPECT_EQ("k.dll", Fields(ReadSupportRecord(file, 0))[4]);
    CloseRecordFile(file);
    EXPECT_EQ(indexBytes, ReadTestFile(index));
    EXPECT_EQ(recordBytes, ReadTestFile(records));
}

}  // namespace
