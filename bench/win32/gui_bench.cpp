// The window's costs under Wine, each beside a bare program of the same dialog
// template that does only the Win32 part of the work: a plain, unsubclassed list
// filled from names already in memory, texts already built.
//
// Usage: gui_bench MODE CATALOGUE_DIR [REPETITIONS [KEYS]]
//   startup      start-up of the window against the bare program's, alternately
//   keys         one refresh per arrow key, in walks of KEYS keys spread over the
//                list, and search-box changes, each against its Win32 part alone
//   memory-gui   one start-up of the window, then the process's memory figures
//   memory-bare  the same for the bare program
//   memory-none  the figures of this process with the catalogue loaded but no window
// Figures go to stdout, one "name value unit" line each, ratios marked as such.
#include "ui.h"

#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int MAX_REPETITIONS = 64;
constexpr int NAME_POOL_SIZE = MAX_INDEX_ENTRIES * 32;
// Arrow-key walks: this many, of g_segmentKeys keys each. Under an emulated Wine a
// key costs tens of milliseconds, so a walk over all 6,000 entries would take hours.
constexpr int WALK_SEGMENTS = 8;
constexpr int DEFAULT_SEGMENT_KEYS = 8;
constexpr int SEARCHES = 40;
// A control the bare window gets for one comparison; the template does not use it.
constexpr int NO_SCROLL_BAR_ID = 4000;

HINSTANCE g_instance;
DataPaths g_paths;

// The index in memory, names packed: what the bare program puts in its list.
char g_namePool[NAME_POOL_SIZE];
int g_nameStart[MAX_INDEX_ENTRIES];
uint32_t g_recordOffset[MAX_INDEX_ENTRIES];
int g_entryCount;
int g_segmentKeys;

// The texts the window showed for each entry, for setting them alone.
char g_detailsText[MAX_INDEX_ENTRIES][TEXT_BUFFER_SIZE];
char g_declarationText[MAX_INDEX_ENTRIES][TEXT_BUFFER_SIZE];

const char* EntryName(int index)
{
    return g_namePool + g_nameStart[index];
}

void KeepEntry(const IndexEntry& entry, void* context)
{
    int& poolUsed = *static_cast<int*>(context);
    size_t length = std::strlen(entry.name) + 1;
    if (g_entryCount >= MAX_INDEX_ENTRIES || poolUsed + length > sizeof g_namePool)
        return;
    std::memcpy(g_namePool + poolUsed, entry.name, length);
    g_nameStart[g_entryCount] = poolUsed;
    g_recordOffset[g_entryCount] = entry.recordOffset;
    ++g_entryCount;
    poolUsed += static_cast<int>(length);
}

double Now()
{
    static LARGE_INTEGER frequency;
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int CompareDoubles(const void* a, const void* b)
{
    double x = *static_cast<const double*>(a), y = *static_cast<const double*>(b);
    return (x > y) - (x < y);
}

double Median(double* values, int count)
{
    std::qsort(values, static_cast<size_t>(count), sizeof values[0], CompareDoubles);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

// Handles whatever the last step left queued (paints, the window's quit message).
void DrainMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PrintFigure(const char* name, double value, const char* unit)
{
    std::printf("%-40s %12.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

void PrintRatio(const char* name, double value, const char* note)
{
    std::printf("%-40s %12.2f ratio  (%s)\n", name, value, note);
    std::fflush(stdout);
}

INT_PTR CALLBACK BareDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The bare program: the same template, a plain list, the names added one by one.
HWND StartBare()
{
    HWND window = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_MAIN), NULL,
                                     BareDlgProc, 0);
    if (!window)
        return NULL;
    HWND list = GetDlgItem(window, IDC_API_LIST);
    for (int i = 0; i < g_entryCount; ++i) {
        LRESULT index = SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)EntryName(i));
        SendMessageA(list, LB_SETITEMDATA, (WPARAM)index, (LPARAM)g_recordOffset[i]);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}

// Tolvane's own start-up, as WinMain runs it, up to the first paint.
HWND StartGui()
{
    if (CreateMainWindow(g_instance, g_paths) != START_OK)
        return NULL;
    ShowMainWindow(SW_SHOWNORMAL);
    UpdateWindow(MainWindow());
    return MainWindow();
}

void CloseGui()
{
    DestroyWindow(MainWindow());
    ShutdownMainWindow();
    DrainMessages();
}

void CloseBare(HWND window)
{
    DestroyWindow(window);
    DrainMessages();
}

int RunStartup(int repetitions)
{
    double gui[MAX_REPETITIONS], bare[MAX_REPETITIONS];
    // One of each untimed first: the template, the font and the files get loaded.
    for (int r = -1; r < repetitions; ++r) {
        double start = Now();
        HWND window = StartGui();
        double guiTime = Now() - start;
        if (!window)
            return 1;
        CloseGui();

        start = Now();
        window = StartBare();
        double bareTime = Now() - start;
        if (!window)
            return 1;
        CloseBare(window);
        if (r >= 0) {
            gui[r] = guiTime;
            bare[r] = bareTime;
        }
    }
    double guiMedian = Median(gui, repetitions), bareMedian = Median(bare, repetitions);
    std::printf("start-up, %d entries, median of %d\n", g_entryCount, repetitions);
    PrintFigure("startup.gui", guiMedian * 1e3, "ms");
    PrintFigure("startup.bare", bareMedian * 1e3, "ms");
    PrintRatio("startup.gui/bare", guiMedian / bareMedian, "goal <= 1.0");
    return 0;
}

HWND ListOf(HWND window)
{
    return GetDlgItem(window, IDC_API_LIST);
}

// Arrow-key walks start at entries spread evenly over the list, since the window's
// declaration lookup and the list's search cost more the further down an entry is.
int SegmentStart(int segment)
{
    return segment * (g_entryCount / WALK_SEGMENTS);
}

// The entry the key-th arrow key of a walk lands on.
int WalkEntry(int segment, int key)
{
    return SegmentStart(segment) + 1 + key;
}

int WalkKeys()
{
    return WALK_SEGMENTS * g_segmentKeys;
}

// Arrow keys down from every walk's start; seconds per key. Putting the selection
// on the start is not timed.
double TimeArrowKeys(HWND list)
{
    double total = 0;
    for (int segment = 0; segment < WALK_SEGMENTS; ++segment) {
        SendMessageA(list, LB_SETCURSEL, (WPARAM)SegmentStart(segment), 0);
        DrainMessages();
        double start = Now();
        for (int key = 0; key < g_segmentKeys; ++key)
            SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
        total += Now() - start;
    }
    DrainMessages();
    return total / WalkKeys();
}

// One untimed set of walks that keeps the two texts the window shows at each key.
void KeepShownTexts(HWND window)
{
    HWND list = ListOf(window);
    for (int segment = 0; segment < WALK_SEGMENTS; ++segment) {
        SendMessageA(list, LB_SETCURSEL, (WPARAM)SegmentStart(segment), 0);
        for (int key = 0; key < g_segmentKeys; ++key) {
            SendMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
            int entry = WalkEntry(segment, key);
            GetDlgItemTextA(window, IDC_DETAILS, g_detailsText[entry], TEXT_BUFFER_SIZE);
            GetDlgItemTextA(window, IDC_DECLARATION, g_declarationText[entry],
                            TEXT_BUFFER_SIZE);
        }
    }
    DrainMessages();
}

// Sets the kept texts into the controls with these IDs (0: that text is left out);
// seconds per key.
double TimeSettingTexts(HWND window, int detailsId, int declarationId)
{
    double start = Now();
    for (int segment = 0; segment < WALK_SEGMENTS; ++segment) {
        for (int key = 0; key < g_segmentKeys; ++key) {
            int entry = WalkEntry(segment, key);
            if (detailsId)
                SetDlgItemTextA(window, detailsId, g_detailsText[entry]);
            if (declarationId)
                SetDlgItemTextA(window, declarationId, g_declarationText[entry]);
        }
    }
    double perKey = (Now() - start) / WalkKeys();
    DrainMessages();
    return perKey;
}

// Over the bare window's declaration box, one of the same styles but without its
// vertical scroll bar: what the scroll bar costs when the text changes.
HWND AddDeclarationWithoutScrollBar(HWND bare)
{
    HWND declaration = GetDlgItem(bare, IDC_DECLARATION);
    RECT rect;
    GetWindowRect(declaration, &rect);
    MapWindowPoints(NULL, bare, reinterpret_cast<POINT*>(&rect), 2);
    LONG style = GetWindowLongA(declaration, GWL_STYLE) & ~WS_VSCROLL;
    HWND plain = CreateWindowExA(0, "EDIT", "", static_cast<DWORD>(style), rect.left,
                                 rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                 bare, (HMENU)NO_SCROLL_BAR_ID, g_instance, NULL);
    SendMessageA(plain, WM_SETFONT, SendMessageA(declaration, WM_GETFONT, 0, 0), FALSE);
    ShowWindow(declaration, SW_HIDE);
    return plain;
}

double TimeDeclarationLookups()
{
    char declaration[TEXT_BUFFER_SIZE];
    double start = Now();
    for (int segment = 0; segment < WALK_SEGMENTS; ++segment)
        for (int key = 0; key < g_segmentKeys; ++key)
            GetPrivateProfileStringA(DECLARE_SECTION, EntryName(WalkEntry(segment, key)), "",
                                     declaration, sizeof declaration, g_paths.iniPath);
    return (Now() - start) / WalkKeys();
}

double TimeRecordsAndTexts()
{
    RecordFile file = OpenRecordFile(g_paths.recordPath);
    char text[TEXT_BUFFER_SIZE];
    double start = Now();
    for (int segment = 0; segment < WALK_SEGMENTS; ++segment) {
        for (int key = 0; key < g_segmentKeys; ++key) {
            int entry = WalkEntry(segment, key);
            SupportRecord record = ReadSupportRecord(file, g_recordOffset[entry]);
            FormatDetailsText(EntryName(entry), record, text, sizeof text);
        }
    }
    double perKey = (Now() - start) / WalkKeys();
    CloseRecordFile(file);
    return perKey;
}

// The names searched for: SEARCHES of them spread evenly over the list.
const char* SearchName(int search)
{
    return EntryName((search + 1) * (g_entryCount / (SEARCHES + 1)));
}

// Search-box changes to each search name; seconds per change.
double TimeSearchBoxChanges(HWND window)
{
    HWND search = GetDlgItem(window, IDC_SEARCH);
    double start = Now();
    for (int i = 0; i < SEARCHES; ++i)
        SetWindowTextA(search, SearchName(i));
    double perChange = (Now() - start) / SEARCHES;
    DrainMessages();
    return perChange;
}

// The list's own search for the same names, asked as the window asks it.
double TimeSelectString(HWND list)
{
    double start = Now();
    for (int i = 0; i < SEARCHES; ++i)
        SendMessageA(list, LB_SELECTSTRING, 0, (LPARAM)SearchName(i));
    double perSearch = (Now() - start) / SEARCHES;
    DrainMessages();
    return perSearch;
}

enum KeyMeasure {
    REFRESH, SET_TWO_TEXTS, PLAIN_LIST_KEY, DECLARATION_LOOKUP, RECORD_AND_TEXT,
    SET_DETAILS, SET_DECLARATION, SET_DECLARATION_NO_SCROLL_BAR, SEARCH_CHANGE,
    SELECT_STRING, KEY_MEASURE_COUNT
};

int RunKeys(int repetitions)
{
    HWND gui = StartGui();
    HWND bare = StartBare();
    if (!gui || !bare || !AddDeclarationWithoutScrollBar(bare))
        return 1;
    KeepShownTexts(gui);

    static double times[KEY_MEASURE_COUNT][MAX_REPETITIONS];
    for (int r = 0; r < repetitions; ++r) {
        times[REFRESH][r] = TimeArrowKeys(ListOf(gui));
        times[SET_TWO_TEXTS][r] = TimeSettingTexts(gui, IDC_DETAILS, IDC_DECLARATION);
        times[PLAIN_LIST_KEY][r] = TimeArrowKeys(ListOf(bare));
        times[DECLARATION_LOOKUP][r] = TimeDeclarationLookups();
        times[RECORD_AND_TEXT][r] = TimeRecordsAndTexts();
        times[SET_DETAILS][r] = TimeSettingTexts(gui, IDC_DETAILS, 0);
        times[SET_DECLARATION][r] = TimeSettingTexts(gui, 0, IDC_DECLARATION);
        times[SET_DECLARATION_NO_SCROLL_BAR][r] = TimeSettingTexts(bare, 0, NO_SCROLL_BAR_ID);
        times[SEARCH_CHANGE][r] = TimeSearchBoxChanges(gui);
        times[SELECT_STRING][r] = TimeSelectString(ListOf(gui));
    }
    double us[KEY_MEASURE_COUNT];
    for (int m = 0; m < KEY_MEASURE_COUNT; ++m)
        us[m] = Median(times[m], repetitions) * 1e6;

    std::printf("keystroke, %d entries, median of %d runs of %d walks of %d keys\n",
                g_entryCount, repetitions, WALK_SEGMENTS, g_segmentKeys);
    PrintFigure("key.refresh", us[REFRESH], "us/key");
    PrintFigure("key.set_two_texts", us[SET_TWO_TEXTS], "us/key");
    PrintRatio("key.refresh/set_two_texts", us[REFRESH] / us[SET_TWO_TEXTS], "goal <= 2.0");
    std::printf("  parts of a refresh, each alone:\n");
    PrintFigure("key.plain_list_arrow_key", us[PLAIN_LIST_KEY], "us/key");
    PrintFigure("key.declaration_lookup", us[DECLARATION_LOOKUP], "us/key");
    PrintFigure("key.record_read_and_text", us[RECORD_AND_TEXT], "us/key");
    PrintFigure("key.set_details", us[SET_DETAILS], "us/key");
    PrintFigure("key.set_declaration", us[SET_DECLARATION], "us/key");
    PrintFigure("key.set_declaration_no_scroll_bar", us[SET_DECLARATION_NO_SCROLL_BAR],
                "us/key");
    PrintRatio("key.declaration_lookup/refresh", us[DECLARATION_LOOKUP] / us[REFRESH],
               "share of a refresh");
    PrintRatio("key.set_declaration/refresh", us[SET_DECLARATION] / us[REFRESH],
               "share of a refresh");
    std::printf("search-box change, %d names spread over the list\n", SEARCHES);
    PrintFigure("search.change", us[SEARCH_CHANGE], "us/change");
    PrintFigure("search.select_string", us[SELECT_STRING], "us/search");
    PrintRatio("search.change/select_string", us[SEARCH_CHANGE] / us[SELECT_STRING],
               "no goal set");
    CloseBare(bare);
    CloseGui();
    return 0;
}

void PrintMemory(const char* what)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    std::printf("memory.%s.peak_working_set %zu bytes\n", what,
                static_cast<size_t>(counters.PeakWorkingSetSize));
    std::printf("memory.%s.private %zu bytes\n", what,
                static_cast<size_t>(counters.PagefileUsage));
    std::fflush(stdout);
}

int RunMemory(const char* what)
{
    HWND window = NULL;
    if (std::strcmp(what, "gui") == 0)
        window = StartGui();
    else if (std::strcmp(what, "bare") == 0)
        window = StartBare();
    else if (std::strcmp(what, "none") != 0)
        return 2;
    if (!window && std::strcmp(what, "none") != 0)
        return 1;
    DrainMessages();
    PrintMemory(what);
    if (window)
        DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: gui_bench startup|keys|memory-gui|memory-bare|"
                             "memory-none CATALOGUE_DIR [REPETITIONS]\n");
        return 2;
    }
    const char* mode = argv[1];
    int repetitions = argc > 3 ? std::atoi(argv[3]) : 5;
    if (repetitions < 1 || repetitions > MAX_REPETITIONS)
        repetitions = 5;

    g_instance = GetModuleHandleA(NULL);
    char modulePath[PATH_BUFFER_SIZE];
    std::snprintf(modulePath, sizeof modulePath, "%s\\gui_bench.exe", argv[2]);
    g_paths = ResolveDataPaths(modulePath, IsAnsiLeadByte);
    // The window's own memory is measured without the bare program's copy of the names.
    bool needsNames = std::strcmp(mode, "memory-gui") != 0;
    int poolUsed = 0;
    if (needsNames && (!LoadIndex(g_paths.indexPath, KeepEntry, &poolUsed) || g_entryCount < 2)) {
        std::fprintf(stderr, "gui_bench: no catalogue at %s\n", g_paths.indexPath);
        return 1;
    }

    g_segmentKeys = argc > 4 ? std::atoi(argv[4]) : DEFAULT_SEGMENT_KEYS;
    if (g_segmentKeys < 1 || g_segmentKeys >= g_entryCount / WALK_SEGMENTS)
        g_segmentKeys = DEFAULT_SEGMENT_KEYS;

    int status = 2;
    if (std::strcmp(mode, "startup") == 0)
        status = RunStartup(repetitions);
    else if (std::strcmp(mode, "keys") == 0)
        status = RunKeys(repetitions);
    else if (std::strncmp(mode, "memory-", 7) == 0)
        status = RunMemory(mode + 7);
    if (status == 1)
        std::fprintf(stderr, "gui_bench: %s: the window could not start\n", mode);
    return status;
}
