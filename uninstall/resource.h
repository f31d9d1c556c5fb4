// Resource ids of uninstall.exe.
#pragma once

// The lowest icon id: the program's own icon in Explorer and on its shortcut.
#define IDI_UNINSTALL 1
#define IDD_FORM1 100
#define IDC_LABEL1 1001
#define IDC_COMMAND1 1002
#define IDC_COMMAND2 1003
