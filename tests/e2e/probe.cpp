// Reads a running Tolvane window from another process, for the end-to-end drivers.
// One command per line on standard input (or one command as arguments), one line of
// answer each:
//   target TAIL   only windows of a process whose image path ends with TAIL count
//                 (other runs may share the prefix); "ok"
//   window        1 when the window is there, else 0
//   state         count cursel caret top focus visible search-hex
//   text ID       a control's text as code page 932 bytes in hex ("-" when empty)
//   item N        the list's item N the same way
//   rect ID       left top right bottom on the screen; ID 0: the window's client area
//   itempoint N   x y on the screen of the middle of list item N
//   ping MS       1 when the window answers WM_NULL within MS milliseconds, else 0
//   close         posts WM_CLOSE; "ok"
//   foreground    title and image path of the foreground window, for failure reports
// Text is read with the wide calls: the ANSI LB_GETTEXT comes back garbled across
// processes under Wine.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resource.h"

namespace {

const UINT ANSWER_TIMEOUT_MS = 10000;
std::string targetTail;  // empty: any window called Tolvane

std::string ProcessImage(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process)
        return "";
    char path[MAX_PATH] = "";
    DWORD size = MAX_PATH;
    if (!QueryFullProcessImageNameA(process, 0, path, &size))
        path[0] = '\0';
    CloseHandle(process);
    return path;
}

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM context)
{
    char title[32] = "";
    GetWindowTextA(hwnd, title, sizeof title);
    if (std::strcmp(title, "Tolvane") != 0)
        return TRUE;
    std::string image = ProcessImage(hwnd);
    if (image.size() < targetTail.size() ||
        lstrcmpiA(image.c_str() + image.size() - targetTail.size(), targetTail.c_str()) != 0)
        return TRUE;
    *(HWND*)context = hwnd;
    return FALSE;
}

HWND MainWindow()
{
    HWND found = NULL;
    EnumWindows(MatchWindow, (LPARAM)&found);
    return found;
}

LRESULT Ask(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = (DWORD_PTR)-1;
    if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG, ANSWER_TIMEOUT_MS,
                             &result))
        return LB_ERR;
    return (LRESULT)result;
}

std::string Hex(const std::wstring& text)
{
    if (text.empty())
        return "-";
    int size = WideCharToMultiByte(932, 0, text.c_str(), (int)text.size(), NULL, 0, NULL, NULL);
    std::string bytes(size, '\0');
    WideCharToMultiByte(932, 0, text.c_str(), (int)text.size(), &bytes[0], size, NULL, NULL);
    std::string hex;
    char pair[3];
    for (unsigned char byte : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

std::wstring ControlText(HWND control)
{
    LRESULT length = Ask(control, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return L"";
    std::wstring text(length + 1, L'\0');
    LRESULT got = Ask(control, WM_GETTEXT, text.size(), (LPARAM)&text[0]);
    text.resize(got > 0 ? got : 0);
    return text;
}

std::wstring ItemText(HWND list, int index)
{
    LRESULT length = Ask(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR || length <= 0)
        return L"";
    std::wstring text(length + 1, L'\0');
    LRESULT got = Ask(list, LB_GETTEXT, index, (LPARAM)&text[0]);
    text.resize(got > 0 ? got : 0);
    return text;
}

int FocusedControlId(HWND main)
{
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(main, NULL), &gui) || !gui.hwndFocus)
        return 0;
    return GetDlgCtrlID(gui.hwndFocus);
}

std::string State(HWND main)
{
    HWND list = GetDlgItem(main, IDC_API_LIST);
    char line[128];
    std::snprintf(line, sizeof line, "%ld %ld %ld %ld %d %d ", (long)Ask(list, LB_GETCOUNT, 0, 0),
                  (long)Ask(list, LB_GETCURSEL, 0, 0), (long)Ask(list, LB_GETCARETINDEX, 0, 0),
                  (long)Ask(list, LB_GETTOPINDEX, 0, 0), FocusedControlId(main),
                  IsWindowVisible(main) ? 1 : 0);
    return line + Hex(ControlText(GetDlgItem(main, IDC_SEARCH)));
}

std::string Rect(HWND main, int id)
{
    RECT rect;
    if (id == 0) {
        GetClientRect(main, &rect);
        MapWindowPoints(main, NULL, (POINT*)&rect, 2);
    } else if (!GetWindowRect(GetDlgItem(main, id), &rect)) {
        return "error no control";
    }
    char line[64];
    std::snprintf(line, sizeof line, "%ld %ld %ld %ld", rect.left, rect.top, rect.right,
                  rect.bottom);
    return line;
}

// From the list's item height and top index: the rectangle message carries a pointer
// that may not cross processes.
std::string ItemPoint(HWND main, int index)
{
    HWND list = GetDlgItem(main, IDC_API_LIST);
    LRESULT height = Ask(list, LB_GETITEMHEIGHT, 0, 0);
    LRESULT top = Ask(list, LB_GETTOPINDEX, 0, 0);
    RECT client;
    GetClientRect(list, &client);
    POINT middle = {client.right / 2, (LONG)((index - top) * height + height / 2)};
    if (height <= 0 || index < top || middle.y >= client.bottom)
        return "error not shown";
    ClientToScreen(list, &middle);
    char line[32];
    std::snprintf(line, sizeof line, "%ld %ld", middle.x, middle.y);
    return line;
}

std::string Answer(const std::string& command, const std::string& argument)
{
    if (command == "target") {
        // The driver knows host paths; Wine names the image with backslashes.
        targetTail = argument;
        for (char& c : targetTail)
            if (c == '/')
                c = '\\';
        return "ok";
    }
    if (command == "foreground") {
        HWND front = GetForegroundWindow();
        char title[64] = "";
        GetWindowTextA(front, title, sizeof title);
        return std::string(front ? title : "(none)") + " " + ProcessImage(front);
    }
    HWND main = MainWindow();
    if (command == "window")
        return main ? "1" : "0";
    if (!main)
        return "error no window";
    int number = std::atoi(argument.c_str());
    if (command == "state")
        return State(main);
    if (command == "text")
        return Hex(ControlText(GetDlgItem(main, number)));
    if (command == "item")
        return Hex(ItemText(GetDlgItem(main, IDC_API_LIST), number));
    if (command == "rect")
        return Rect(main, number);
    if (command == "itempoint")
        return ItemPoint(main, number);
    if (command == "ping") {
        DWORD_PTR ignored;
        return SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, number, &ignored)
                   ? "1"
                   : "0";
    }
    if (command == "close")
        return PostMessageW(main, WM_CLOSE, 0, 0) ? "ok" : "error close";
    return "error unknown command " + command;
}

void Reply(const std::string& line)
{
    std::string command = line, argument;
    size_t space = line.find(' ');
    if (space != std::string::npos) {
        command = line.substr(0, space);
        argument = line.substr(space + 1);
    }
    std::printf("%s\n", Answer(command, argument).c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    // Answers end in a bare newline, as the driver's shell reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc > 1) {
        std::string line = argv[1];
        for (int i = 2; i < argc; ++i)
            line += std::string(" ") + argv[i];
        Reply(line);
        return 0;
    }
    // Started once per test and kept: a Wine process takes long to start here.
    char buffer[1024];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        if (!line.empty())
            Reply(line);
    }
    return 0;
}
