// Resource ids of install.exe.
#pragma once

#define IDS_INSTALL_CAPTION 101
#define IDS_COMPLETED_TEXT 102
#define IDS_COMPLETED_TITLE 103
#define IDS_NOT_INSTALLED_TITLE 104
