// Tolvane's main window: a search box, the API list, the details of the entry under
// the list's caret and its declaration. One window per process.
#pragma once

#include <windows.h>

#include "catalogue.h"
#include "resource.h"

enum StartResult {
    START_OK,         // window made, list filled, record file open
    START_NO_WINDOW,  // the dialog could not be made from the resources
    START_NO_DATA,    // the index or the record file could not be opened
};

// The ANSI code page's lead bytes, for ResolveDataPaths.
bool IsAnsiLeadByte(unsigned char byte);

// Makes the main window (hidden) for the catalogue at paths, fills the API list in
// index order and opens the record file. Runs no message loop.
StartResult CreateMainWindow(HINSTANCE instance, const DataPaths& paths);
// The owner-modal "file not found" box of a failed start.
void ShowMissingDataMessage(void);
// Shows the window with the keyboard focus in the search box.
void ShowMainWindow(int showMode);
// Runs until WM_QUIT (its code) or a GetMessage failure (1).
int RunMessageLoop(void);
// Closes the record file; the window, if still there, is the caller's to destroy.
void ShutdownMainWindow(void);

HWND MainWindow(void);
bool IsRecordFileInUse(void);

INT_PTR CALLBACK MainDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK ApiListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Shows the details and the declaration of the entry under the list's caret.
void RefreshDetails(void);
