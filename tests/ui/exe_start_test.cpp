// tolvane.exe itself, started beside fixture catalogues and watched from outside:
// its window, its failure box, its exit codes, and data files it never changes.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <thread>

#include "../test_files.h"
#include "catalogue_fixture.h"
#include "resource.h"

namespace {

const DWORD PATIENCE_MS = 30000;
const char* const DATA_FILES[] = {INDEX_FILE_NAME, RECORD_FILE_NAME, INI_FILE_NAME};

struct WindowSearch {
    DWORD process;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM context)
{
    WindowSearch* search = (WindowSearch*)context;
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process == search->process && IsWindowVisible(hwnd))
        search->found.push_back(hwnd);
    return TRUE;
}

std::vector<HWND> VisibleTopLevelWindows(DWORD process)
{
    WindowSearch search{process, {}};
    EnumWindows(CollectWindow, (LPARAM)&search);
    return search.found;
}

HWND WaitForVisibleWindow(DWORD process)
{
    for (DWORD waited = 0; waited < PATIENCE_MS; waited += 50) {
        std::vector<HWND> windows = VisibleTopLevelWindows(process);
        if (!windows.empty())
            return windows[0];
        Sleep(50);
    }
    return NULL;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[512] = L"";
    DWORD_PTR ignored;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &ignored);
    return text;
}

std::string ClassName(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The texts of a message box's Static children that have any.
std::vector<std::wstring> StaticTexts(HWND box)
{
    std::vector<std::wstring> texts;
    for (HWND child = FindWindowExW(box, NULL, L"Static", NULL); child;
         child = FindWindowExW(box, child, L"Static", NULL)) {
        std::wstring text = WindowText(child);
        if (!text.empty())
            texts.push_back(text);
    }
    return texts;
}

// The title this Wine gives a message box with no caption of its own.
std::wstring DefaultMessageBoxTitle()
{
    static std::wstring title = [] {
        std::thread box([] { MessageBoxW(NULL, L"probe", NULL, MB_OK); });
        HWND probe = WaitForVisibleWindow(GetCurrentProcessId());
        std::wstring text = probe ? WindowText(probe) : L"?";
        if (probe)
            PostMessageW(probe, WM_COMMAND, IDOK, 0);
        box.join();
        return text;
    }();
    return title;
}

class ExeTest : public ::testing::Test {
protected:
    std::string dir;
    std::string before[3];
    PROCESS_INFORMATION program{};

    void Prepare(const std::string& name)
    {
        dir = NewTestDir(name);
        WriteCatalogue(dir, SampleEntries());
        ASSERT_TRUE(CopyFileA(TOLVANE_EXE, JoinPath(dir, "tolvane.exe").c_str(), FALSE));
    }

    void Launch()
    {
        for (int i = 0; i < 3; ++i)
            before[i] = ReadTestFile(JoinPath(dir, DATA_FILES[i]));
        std::string exe = JoinPath(dir, "tolvane.exe");
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
        // Started from elsewhere: the data are found beside the program, not here.
        char elsewhere[MAX_PATH];
        GetTempPathA(MAX_PATH, elsewhere);
        ASSERT_TRUE(CreateProcessA(exe.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, elsewhere,
                                   &startup, &program));
    }

    DWORD ExitCode()
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(program.hProcess, PATIENCE_MS));
        DWORD code = 999;
        GetExitCodeProcess(program.hProcess, &code);
        return code;
    }

    void TearDown() override { Finish(); }

    // Ends the run if it is still going and checks the data files were left alone.
    void Finish()
    {
        if (program.hProcess) {
            if (WaitForSingleObject(program.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(program.hProcess, 99);
            CloseHandle(program.hProcess);
            CloseHandle(program.hThread);
        }
        program = PROCESS_INFORMATION{};
        for (int i = 0; i < 3 && !dir.empty(); ++i)
            EXPECT_EQ(before[i], ReadTestFile(JoinPath(dir, DATA_FILES[i])))
                << DATA_FILES[i] << " changed";
        dir.clear();
    }

    // Waits for the main window and checks what a fresh start shows.
    HWND ExpectFreshWindow()
    {
        HWND main = WaitForVisibleWindow(program.dwProcessId);
        EXPECT_TRUE(main != NULL);
        if (!main)
            return NULL;
        EXPECT_EQ(L"Tolvane", WindowText(main));
        HWND list = GetDlgItem(main, IDC_API_LIST);
        std::vector<FixtureEntry> entries = SampleEntries();
        EXPECT_EQ((LRESULT)entries.size(), SendMessageW(list, LB_GETCOUNT, 0, 0));
        for (size_t i = 0; i < entries.size(); ++i) {
            wchar_t name[NAME_BUFFER_SIZE] = L"";
            SendMessageW(list, LB_GETTEXT, i, (LPARAM)name);
            EXPECT_EQ(std::wstring(entries[i].name.begin(), entries[i].name.end()), name);
        }
        EXPECT_EQ(LB_ERR, SendMessageW(list, LB_GETCURSEL, 0, 0));
        EXPECT_EQ(L"", WindowText(GetDlgItem(main, IDC_DETAILS)));
        EXPECT_EQ(L"", WindowText(GetDlgItem(main, IDC_DECLARATION)));
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        EXPECT_TRUE(GetGUIThreadInfo(program.dwThreadId, &gui));
        EXPECT_EQ(GetDlgItem(main, IDC_SEARCH), gui.hwndFocus);
        return main;
    }

    // A whole ordinary run: start, check the window, close it as its owner would.
    void RunAndClose()
    {
        Launch();
        HWND main = ExpectFreshWindow();
        ASSERT_TRUE(main != NULL);
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, ExitCode());
    }
};

TEST_F(ExeTest, StartsFilledAndClosesWithZero)
{
    Prepare("exe-start");
    RunAndClose();
}

TEST_F(ExeTest, ReadOnlyDataFilesWork)
{
    Prepare("exe-read-only");
    for (const char* file : DATA_FILES)
        ASSERT_TRUE(SetFileAttributesA(JoinPath(dir, file).c_str(), FILE_ATTRIBUTE_READONLY));
    RunAndClose();
}

TEST_F(ExeTest, QuitMessageFromElsewhereGivesItsCode)
{
    Prepare("exe-quit");
    Launch();
    ASSERT_TRUE(WaitForVisibleWindow(program.dwProcessId) != NULL);
    ASSERT_TRUE(PostThreadMessageA(program.dwThreadId, WM_QUIT, 7, 0));
    EXPECT_EQ(7u, ExitCode());
}

TEST_F(ExeTest, MissingDataShowsOneMessageBoxThenExitsWithZero)
{
    const struct {
        const char* name;
        std::function<void(const std::string&)> spoil;
    } cases[] = {
        {"index-missing",
         [](const std::string& d) { DeleteFileA(JoinPath(d, INDEX_FILE_NAME).c_str()); }},
        {"index-unreadable",
         [](const std::string& d) {
             std::string index = JoinPath(d, INDEX_FILE_NAME);
             DeleteFileA(index.c_str());
             CreateDirectoryA(index.c_str(), NULL);
         }},
        {"records-missing",
         [](const std::string& d) { DeleteFileA(JoinPath(d, RECORD_FILE_NAME).c_str()); }},
    };
    std::wstring defaultTitle = DefaultMessageBoxTitle();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Finish();
        Prepare(std::string("exe-") + c.name);
        c.spoil(dir);
        Launch();

        HWND box = WaitForVisibleWindow(program.dwProcessId);
        ASSERT_TRUE(box != NULL);
        Sleep(300);  // time for a second box or the main window, if any were coming
        std::vector<HWND> shown = VisibleTopLevelWindows(program.dwProcessId);
        ASSERT_EQ(1u, shown.size());
        EXPECT_EQ(box, shown[0]);
        EXPECT_EQ("#32770", ClassName(box));
        EXPECT_EQ(defaultTitle, WindowText(box));
        EXPECT_EQ(std::vector<std::wstring>{L"ファイルが見つかりません"}, StaticTexts(box));
        // Its owner is the main window, which was never shown.
        HWND owner = GetWindow(box, GW_OWNER);
        ASSERT_TRUE(owner != NULL);
        EXPECT_EQ(L"Tolvane", WindowText(owner));
        EXPECT_FALSE(IsWindowVisible(owner));

        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(0u, ExitCode());
    }
}

}  // namespace
