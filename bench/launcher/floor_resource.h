// Resource ids of tw_floor.exe: the launcher's button pictures and logo.
#pragma once

#define IDI_FLOOR_PAUSE 101
#define IDI_FLOOR_FASTFORWARD 103
#define IDI_FLOOR_STOP 104
#define IDB_FLOOR_LOGO 110
