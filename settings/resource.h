// Resource identifiers of TarnwickSettings: the windows Form1, frmAbout and the last log-on and
// their controls, under the names the controls carry in the code.
#pragma once

// The program's icon: the lowest id, so that the shell shows it for the exe.
#define IDI_Tarnwick 1

#define IDD_Form1 100
#define IDD_frmAbout 101

// Save and Cancel carry the dialog manager's own ids, so Enter and Esc reach them.
#define IDC_Command1 1  // IDOK: "&Save"
#define IDC_Command2 2  // IDCANCEL: "&Cancel"

#define IDC_Picture1 1001
#define IDC_Label1 1002
#define IDC_Label2 1003
#define IDC_VScroll1 1004
#define IDC_Label4 1005
#define IDC_Label3 1006
#define IDC_VScroll2 1007
#define IDC_Check1 1008
#define IDC_Check2 1010
#define IDC_Check5 1012
#define IDC_Check6 1040  // "Wait until the computer is idle"
#define IDC_Check3 1014
#define IDC_Check4 1016
#define IDC_Combo1 1018
#define IDC_Label5 1019
#define IDC_List4 1020
#define IDC_List5 1021
#define IDC_Label6 1022
#define IDC_Command8 1023
#define IDC_Command7 1024
#define IDC_Command9 1025
#define IDC_Command4 1026
#define IDC_Command5 1027
#define IDC_Command3 1028
// The start-up impact beside each row, the order by it, and the last log-on.
#define IDC_Label14 1042  // "Start-up impact", over List6
#define IDC_List6 1043
#define IDC_Command10 1044  // "&Lightest first"
#define IDC_Label15 1045    // the last log-on in a line
#define IDC_Command11 1046  // "Last lo&g-on...": the timeline of the last log-on
// The selected program's own wait.
#define IDC_Label16 1047  // "Selected program's &wait:"
#define IDC_Combo2 1048
#define IDC_Label17 1049  // "Seco&nds after the one before starts:"
#define IDC_Text1 1050
#define IDC_UpDown1 1051
#define IDC_Label18 1052  // how long "When the one before has ended" waits at most
// "Set by your administrator.": beside the options a policy sets, and beside the locked switch.
#define IDC_Label19 1053
#define IDC_Label20 1054

// frmAbout. cmdOK carries IDOK, so that Enter presses it; Esc gives IDCANCEL, which it answers too.
#define IDC_cmdOK 1
#define IDC_cmdSysInfo 1101
#define IDC_picIcon 1102
#define IDC_lblTitle 1103
#define IDC_lblVersion 1104
#define IDC_lblDescription 1105
#define IDC_AboutLabel1 1106  // the about box's Label1: the credit line
#define IDC_lblDisclaimer 1107
#define IDC_Line1 1108

// The "Last log-on" window. Its Close button carries IDCANCEL, so that Esc presses it.
#define IDD_LastLogOn 102
#define IDC_picTimeline 1201
#define IDC_scrTimeline 1202
#define IDC_lblLegend 1203
#define IDC_lblDetails 1204
#define IDC_txtDetails 1205
