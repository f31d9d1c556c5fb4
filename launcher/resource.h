// Resource and control ids of Tarnwick.exe; the exe-level tests find the controls by these.
#pragma once

#define IDI_PAUSE 101
#define IDI_PLAY 102
#define IDI_FASTFORWARD 103
#define IDI_STOP 104
#define IDB_LOGO 110

#define IDC_LABEL1 201
#define IDC_COMMAND4 202
#define IDC_COMMAND2 203
#define IDC_COMMAND3 204
#define IDC_LABEL4 205
#define IDC_PICTURE1 206
