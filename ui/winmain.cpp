#include <cstdlib>

#include "ui.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showMode)
{
    char modulePath[MAX_PATH];
    GetModuleFileNameA(instance, modulePath, MAX_PATH);
    DataPaths paths = ResolveDataPaths(modulePath, IsAnsiLeadByte);

    switch (CreateMainWindow(instance, paths)) {
    case START_NO_WINDOW:
        return 1;
    case START_NO_DATA:
        ShowMissingDataMessage();
        exit(0);
    case START_OK:
        break;
    }
    ShowMainWindow(showMode);
    int exitCode = RunMessageLoop();
    ShutdownMainWindow();
    return exitCode;
}
