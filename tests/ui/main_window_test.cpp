// The main window in this process: the same start-up, list, search and details code
// as tolvane.exe, driven by messages.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "catalogue_fixture.h"
#include "ui.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    std::string dir;
    std::vector<FixtureEntry> entries;

    StartResult Start(const std::string& name, const std::vector<FixtureEntry>& catalogue,
                      IniChoice ini = WITH_INI)
    {
        entries = catalogue;
        dir = NewTestDir(name);
        WriteCatalogue(dir, entries, ini);
        return StartIn(dir);
    }

    StartResult StartIn(const std::string& catalogueDir)
    {
        std::string module = JoinPath(catalogueDir, "tolvane.exe");
        DataPaths paths = ResolveDataPaths(module.c_str(), IsAnsiLeadByte);
        return CreateMainWindow(GetModuleHandleA(NULL), paths);
    }

    void TearDown() override
    {
        if (IsWindow(MainWindow()))
            DestroyWindow(MainWindow());
        ShutdownMainWindow();
        // WM_DESTROY posted a quit message to this thread: drop it.
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        }
    }

    HWND Item(int id) { return GetDlgItem(MainWindow(), id); }
    HWND List() { return Item(IDC_API_LIST); }

    std::string Text(int id)
    {
        char text[1024];
        GetDlgItemTextA(MainWindow(), id, text, sizeof text);
        return text;
    }

    int Selected() { return (int)SendMessageA(List(), LB_GETCURSEL, 0, 0); }

    void Type(const std::string& text) { SetWindowTextA(Item(IDC_SEARCH), text.c_str()); }

    void Select(int index)
    {
        SendMessageA(List(), LB_SETCURSEL, index, 0);
        SendMessageA(List(), WM_REFRESH_DETAILS, 0, 0);
    }

    // Both boxes show the entry at index, to the byte.
    void ExpectShows(int index)
    {
        EXPECT_EQ(ExpectedDetails(entries[index]), Text(IDC_DETAILS));
        EXPECT_EQ(entries[index].declaration, Text(IDC_DECLARATION));
    }

    void Spoil()
    {
        SetDlgItemTextA(MainWindow(), IDC_DETAILS, "stale");
        SetDlgItemTextA(MainWindow(), IDC_DECLARATION, "stale");
    }
};

std::vector<FixtureEntry> ManyEntries(int count)
{
    std::vector<FixtureEntry> many;
    char name[32];
    for (int i = 0; i < count; ++i) {
        // Descending, so an accidental sort would show.
        std::snprintf(name, sizeof name, "Api%05d", count - i);
        many.push_back({name, {"3.1", "", "", "", "x.dll", "", "x.h", "x.lib", ""}, ""});
    }
    many[count / 2].name = std::string(MAX_NAME_BYTES, 'L');
    return many;
}

TEST_F(MainWindowTest, FullCatalogueLoadsInFileOrderWithNothingShown)
{
    std::vector<FixtureEntry> many = ManyEntries(MAX_INDEX_ENTRIES);
    std::string catalogueDir = NewTestDir("many");
    WriteCatalogue(catalogueDir, many);
    entries = many;

    auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(START_OK, StartIn(catalogueDir));
    auto took = std::chrono::steady_clock::now() - begin;
    std::printf("start-up with %d entries: %lld ms\n", MAX_INDEX_ENTRIES,
                (long long)std::chrono::duration_cast<std::chrono::milliseconds>(took).count());

    ASSERT_EQ(MAX_INDEX_ENTRIES, SendMessageA(List(), LB_GETCOUNT, 0, 0));
    // Offsets as the fixture wrote them: three bytes, then records one after another.
    LRESULT offset = 3;
    char name[NAME_BUFFER_SIZE];
    for (int i = 0; i < MAX_INDEX_ENTRIES; ++i) {
        SendMessageA(List(), LB_GETTEXT, i, (LPARAM)name);
        ASSERT_EQ(many[i].name, name) << "item " << i;
        ASSERT_EQ(offset, SendMessageA(List(), LB_GETITEMDATA, i, 0)) << "item " << i;
        for (const std::string& field : many[i].fields)
            offset += field.size() + 1;
    }
    EXPECT_EQ(LB_ERR, Selected());
    EXPECT_EQ("", Text(IDC_DETAILS));
    EXPECT_EQ("", Text(IDC_DECLARATION));

    // The 255-byte name is shown whole.
    Select(MAX_INDEX_ENTRIES / 2);
    ExpectShows(MAX_INDEX_ENTRIES / 2);
    EXPECT_NE(std::string::npos, Text(IDC_DETAILS).find(many[MAX_INDEX_ENTRIES / 2].name + "\r\n"));
}

TEST_F(MainWindowTest, ShownWindowTakesTypingInTheSearchBox)
{
    ASSERT_EQ(START_OK, Start("focus", SampleEntries()));
    ShowMainWindow(SW_SHOWNORMAL);
    EXPECT_TRUE(IsWindowVisible(MainWindow()));
    EXPECT_EQ(Item(IDC_SEARCH), GetFocus());
    EXPECT_TRUE(IsRecordFileInUse());
}

TEST_F(MainWindowTest, SearchSelectsByPrefixAfterTheFirstItemAndRefreshes)
{
    ASSERT_EQ(START_OK, Start("search", SampleEntries()));
    // Typed one after another; the search starts after item 0 and wraps to it last.
    const struct {
        const char* typed;
        int selected;
    } steps[] = {
        {"g", 1},          {"ge", 2},  {"g", 1},
        {"getwindow", 2},  {"getwindowt", 0},
        {"GETWINDOWLONGA", 2}, {"getwindowlonga", 2},
        {"x", 2},  // no match: the selection stays
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.typed);
        Spoil();
        Type(step.typed);
        ASSERT_EQ(step.selected, Selected());
        ExpectShows(step.selected);
    }
}

TEST_F(MainWindowTest, SearchUsesTheFirst99BytesOfTheBox)
{
    std::string longName = std::string(99, 'q') + "Name";
    std::vector<FixtureEntry> catalogue = SampleEntries();
    catalogue.push_back({longName, {"3.1"}, ""});
    ASSERT_EQ(START_OK, Start("cut", catalogue));

    Type(std::string(99, 'q') + std::string(21, 'x'));
    EXPECT_EQ(3, Selected());
    ExpectShows(3);
}

TEST_F(MainWindowTest, ListInputRefreshesTheDetails)
{
    ASSERT_EQ(START_OK, Start("keys", SampleEntries()));
    Select(0);
    ExpectShows(0);

    // A key that moves nothing still rewrites the boxes.
    Spoil();
    SendMessageA(List(), WM_KEYDOWN, VK_SHIFT, 0);
    EXPECT_EQ(0, Selected());
    ExpectShows(0);

    // From an entry with a Unicode line to one without: no Unicode line is left.
    SendMessageA(List(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, Selected());
    ExpectShows(1);
    EXPECT_EQ(std::string::npos, Text(IDC_DETAILS).find("Unicode"));

    // Type-ahead by character.
    Spoil();
    SendMessageA(List(), WM_CHAR, 'G', 0);
    EXPECT_EQ(2, Selected());
    ExpectShows(2);

    // A click on an item.
    RECT item;
    SendMessageA(List(), LB_GETITEMRECT, 0, (LPARAM)&item);
    LPARAM at = MAKELPARAM(item.left + 2, item.top + 2);
    Spoil();
    SendMessageA(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(List(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(0, Selected());
    ExpectShows(0);
}

TEST_F(MainWindowTest, EmptyListShowsNothing)
{
    ASSERT_EQ(START_OK, Start("empty", {}));
    EXPECT_EQ(0, SendMessageA(List(), LB_GETCOUNT, 0, 0));
    Spoil();
    Type("g");
    EXPECT_EQ("", Text(IDC_DETAILS));
    EXPECT_EQ("", Text(IDC_DECLARATION));
    Spoil();
    SendMessageA(List(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(List(), WM_CHAR, 'g', 0);
    EXPECT_EQ("", Text(IDC_DETAILS));
    EXPECT_EQ("", Text(IDC_DECLARATION));
}

TEST_F(MainWindowTest, DeclarationComesFromTheProfileWhenThere)
{
    ASSERT_EQ(START_OK, Start("declared", SampleEntries()));
    Select(0);
    EXPECT_EQ(SampleEntries()[0].declaration, Text(IDC_DECLARATION));
    Select(1);  // no key
    EXPECT_EQ("", Text(IDC_DECLARATION));
    TearDown();

    ASSERT_EQ(START_OK, Start("undeclared", SampleEntries(), WITHOUT_INI));
    Spoil();
    Select(0);
    EXPECT_EQ(ExpectedDetails(entries[0]), Text(IDC_DETAILS));
    EXPECT_EQ("", Text(IDC_DECLARATION));
}

TEST_F(MainWindowTest, MissingFilesFailTheStartAndShutdownReleasesTheRecordFile)
{
    std::string noIndex = NewTestDir("no-index");
    std::string noRecords = NewTestDir("no-records");
    WriteCatalogue(noIndex, SampleEntries());
    WriteCatalogue(noRecords, SampleEntries());
    ASSERT_TRUE(DeleteFileA(JoinPath(noIndex, INDEX_FILE_NAME).c_str()));
    ASSERT_TRUE(DeleteFileA(JoinPath(noRecords, RECORD_FILE_NAME).c_str()));
    EXPECT_EQ(START_NO_DATA, StartIn(noIndex));
    TearDown();
    EXPECT_EQ(START_NO_DATA, StartIn(noRecords));
    TearDown();

    ASSERT_EQ(START_OK, Start("release", SampleEntries()));
    std::string records = JoinPath(dir, RECORD_FILE_NAME);
    EXPECT_FALSE(DeleteFileA(records.c_str())) << "the record file should be open";
    TearDown();
    EXPECT_FALSE(IsRecordFileInUse());
    EXPECT_TRUE(DeleteFileA(records.c_str()));
}

}  // namespace
