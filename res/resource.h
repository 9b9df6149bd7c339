/* Resource and control identifiers shared by tolvane.rc and the program. */
#pragma once

#define IDD_MAIN 101
#define IDI_MAIN 102

#define IDC_API_LIST 1000
#define IDC_DECLARATION 1005
#define IDC_SEARCH 1006
#define IDC_DETAILS 3000

/* Sent to the API list to show the entry under its caret. */
#define WM_REFRESH_DETAILS 5000
