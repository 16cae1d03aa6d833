// Resource identifiers, shared by the resource script and the program.
#define IDS_APP_TITLE 103
#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_GLOWTIDE 107
#define IDI_SMALL 108
#define IDC_GLOWTIDE 109
