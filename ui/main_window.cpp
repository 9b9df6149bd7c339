#include "ui.h"

// Set once at start-up.
static HWND mainWindow;
static HWND apiList;
static WNDPROC previousListProc;
static RecordFile recordFile;
static DataPaths dataPaths;

// The search box hands at most this many bytes less one to the list.
enum { SEARCH_BUFFER_SIZE = 100 };

bool IsAnsiLeadByte(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

HWND MainWindow(void)
{
    return mainWindow;
}

bool IsRecordFileInUse(void)
{
    return IsRecordFileOpen(recordFile);
}

static void AddIndexEntry(const IndexEntry& entry, void* context)
{
    HWND list = (HWND)context;
    LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)entry.name);
    if (index >= 0)
        SendMessageA(list, LB_SETITEMDATA, (WPARAM)index, (LPARAM)entry.recordOffset);
}

static bool FillApiList(void)
{
    // Redraw off and room for every entry up front: a full catalogue then loads
    // several times faster.
    SendMessageA(apiList, WM_SETREDRAW, FALSE, 0);
    SendMessageA(apiList, LB_INITSTORAGE, MAX_INDEX_ENTRIES, MAX_INDEX_ENTRIES * 32);
    bool loaded = LoadIndex(dataPaths.indexPath, AddIndexEntry, apiList);
    SendMessageA(apiList, WM_SETREDRAW, TRUE, 0);
    return loaded;
}

StartResult CreateMainWindow(HINSTANCE instance, const DataPaths& paths)
{
    dataPaths = paths;
    mainWindow = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), NULL, MainDlgProc, 0);
    if (!mainWindow)
        return START_NO_WINDOW;
    apiList = GetDlgItem(mainWindow, IDC_API_LIST);
    previousListProc = (WNDPROC)SetWindowLongA(apiList, GWL_WNDPROC, (LONG)ApiListProc);
    if (!FillApiList())
        return START_NO_DATA;
    recordFile = OpenRecordFile(dataPaths.recordPath);
    if (!IsRecordFileOpen(recordFile))
        return START_NO_DATA;
    return START_OK;
}

void ShowMissingDataMessage(void)
{
    // The wide call, so the text reads right whatever the ANSI code page.
    MessageBoxW(mainWindow, L"ファイルが見つかりません", NULL, MB_OK);
}

void ShowMainWindow(int showMode)
{
    ShowWindow(mainWindow, showMode);
    SetFocus(GetDlgItem(mainWindow, IDC_SEARCH));
}

int RunMessageLoop(void)
{
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, NULL, 0, 0);
        if (got == 0)
            return (int)msg.wParam;
        if (got == -1)
            return 1;
        if (!IsDialogMessageA(mainWindow, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void ShutdownMainWindow(void)
{
    CloseRecordFile(recordFile);
}

void RefreshDetails(void)
{
    char name[NAME_BUFFER_SIZE];
    char text[TEXT_BUFFER_SIZE];
    char declaration[TEXT_BUFFER_SIZE];

    LRESULT caret = SendMessageA(apiList, LB_GETCARETINDEX, 0, 0);
    LRESULT offset = SendMessageA(apiList, LB_GETITEMDATA, (WPARAM)caret, 0);
    LRESULT length = SendMessageA(apiList, LB_GETTEXTLEN, (WPARAM)caret, 0);
    // An empty list, or a caret on no entry: nothing to show.
    if (offset == LB_ERR || length == LB_ERR || length >= NAME_BUFFER_SIZE) {
        SetDlgItemTextA(mainWindow, IDC_DETAILS, "");
        SetDlgItemTextA(mainWindow, IDC_DECLARATION, "");
        return;
    }
    SendMessageA(apiList, LB_GETTEXT, (WPARAM)caret, (LPARAM)name);
    SupportRecord record = ReadSupportRecord(recordFile, (uint32_t)offset);
    FormatDetailsText(name, record, text, sizeof text);
    SetDlgItemTextA(mainWindow, IDC_DETAILS, text);
    GetPrivateProfileStringA(DECLARE_SECTION, name, "", declaration, sizeof declaration,
                             dataPaths.iniPath);
    SetDlgItemTextA(mainWindow, IDC_DECLARATION, declaration);
}

static void OnSearchChange(HWND searchBox)
{
    char text[SEARCH_BUFFER_SIZE];
    GetWindowTextA(searchBox, text, sizeof text);
    SendMessageA(apiList, LB_SELECTSTRING, 0, (LPARAM)text);
    // Refreshed whether or not anything matched.
    SendMessageA(apiList, WM_REFRESH_DETAILS, 0, 0);
}

INT_PTR CALLBACK MainDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        break;
    case WM_COMMAND:
        // Enter and Escape (IDOK, IDCANCEL) close nothing: only the search box counts.
        if (HIWORD(wParam) == EN_CHANGE && LOWORD(wParam) == IDC_SEARCH)
            OnSearchChange((HWND)lParam);
        break;
    }
    return FALSE;
}

LRESULT CALLBACK ApiListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_KEYDOWN:
    case WM_CHAR:  // type-ahead moves the selection too
    case WM_LBUTTONUP:
    case WM_REFRESH_DETAILS:
        CallWindowProcA(previousListProc, hwnd, msg, wParam, lParam);
        RefreshDetails();
        return 0;
    }
    return CallWindowProcA(previousListProc, hwnd, msg, wParam, lParam);
}
