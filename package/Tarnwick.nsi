; The setup program: gives the program folder permissions that only administrators can change
; (outside Program Files), copies the program folder, writes the product's own shortcuts into its TW
; folder, runs install.exe (which moves them into the start-menu group, takes over the start-up
; programs, writes the defaults and says it is done) and registers the product under Apps &
; features, where uninstall.exe is the uninstall command. Silent, install.exe says nothing.
; Built by the package_tarnwick target:
;   makensis -DSTAGE=<program folder> -DOUTFILE=<exe> -DVERSION=<x.y.z> -DPUBLISHER=<maker>
;            -DACCESS_HEADER=<store/folder_access.h> Tarnwick.nsi
; Silent use: TarnwickSetup-x.y.z.exe /S [/D=<folder>] (/D last, unquoted even with spaces).

!ifndef STAGE | OUTFILE | VERSION | PUBLISHER | ACCESS_HEADER
    !error "STAGE, OUTFILE, VERSION, PUBLISHER and ACCESS_HEADER must be defined"
!endif

; The permissions that only administrators can change, as install.exe sets them, from the one
; place that holds them: the SDDL text of kAdministratorsOnly, "O:BA" (the owner) and the DACL.
!searchparse /file "${ACCESS_HEADER}" `L"O:BA` ACCESS_DACL `";`
!define ADMINISTRATORS_ONLY "O:BA${ACCESS_DACL}"

Unicode true
; The programs are 64-bit, and so is the setup: it writes the 64-bit registry view and installs
; below the 64-bit Program Files folder without any redirection. A 32-bit Windows refuses to
; start it, which is right, since the programs cannot run there either.
Target amd64-unicode
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tarnwick"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define GROUP "$STARTMENU\Programs\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ManifestDPIAware true
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"

; uninstall.exe has the shell delete the whole program folder, so the folder must be the
; product's alone.
DirText "Setup will install ${PRODUCT} in the following folder. Choose a new or empty folder: \
    uninstalling ${PRODUCT} deletes the whole folder."
Page directory
Page instfiles

; Whether $INSTDIR may become the program folder: not a drive's root, and either new, empty or
; holding an earlier installation. Sets the error flag when it may not.
Function CheckInstallFolder
    Push $0
    Push $1
    Push $2
    StrCpy $2 "fine"
    StrLen $0 $INSTDIR
    ${If} $0 <= 3
        StrCpy $2 "refused"
    ${ElseIf} ${FileExists} "$INSTDIR\*.*"
    ${AndIfNot} ${FileExists} "$INSTDIR\uninstall.exe"
        FindFirst $0 $1 "$INSTDIR\*.*"
        ${DoWhile} $1 != ""
            ${If} $1 != "."
            ${AndIf} $1 != ".."
                StrCpy $2 "refused"
                ${Break}
            ${EndIf}
            FindNext $0 $1
        ${Loop}
        FindClose $0
    ${EndIf}
    ; Set last: FindNext sets the error flag at the end of every listing.
    ClearErrors
    ${If} $2 == "refused"
        SetErrors
    ${EndIf}
    Pop $2
    Pop $1
    Pop $0
FunctionEnd

; Whether $R0 is $R1 or lies below it, compared as the file system does (StrCmp ignores case):
; "yes" or "no" in $R2.
Function IsInFolder
    Push $0
    Push $1
    StrCpy $R2 "no"
    StrLen $0 $R1
    StrCpy $1 $R0 $0
    ${If} $R1 != ""
    ${AndIf} $1 == $R1
        StrCpy $1 $R0 1 $0
        ${If} $1 == ""
        ${OrIf} $1 == "\"
            StrCpy $R2 "yes"
        ${EndIf}
    ${EndIf}
    Pop $1
    Pop $0
FunctionEnd

; Gives $INSTDIR the permissions that only administrators can change, unless it lies in a Program
; Files folder, whose own it keeps. Anywhere else a folder takes what its parent hands down, on
; C:\ the right of every signed-in user to change what is in it; and every account runs
; Tarnwick.exe when it logs on, administrators the settings and the uninstaller. A new folder has
; them from its first moment, an existing (empty) one gets them, and nobody else can put anything
; there after that. Sets the error flag, with the Windows error in $0, when they could not be set.
Function ProtectInstallFolder
    Push $R0
    Push $R1
    Push $R2
    Push $1
    Push $2
    Push $3
    Push $4
    ; ".." and "." parts would make the folder look as if it lay elsewhere.
    System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .R0, p 0) i .r0'
    ${If} $0 == 0
        StrCpy $R0 $INSTDIR
    ${EndIf}
    StrCpy $R1 $PROGRAMFILES64
    Call IsInFolder
    ${If} $R2 == "no"
        StrCpy $R1 $PROGRAMFILES32
        Call IsInFolder
    ${EndIf}
    StrCpy $0 0
    ClearErrors
    ${If} $R2 == "no"
        System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(\
            w "${ADMINISTRATORS_ONLY}", i 1, *p .r1, p 0) i .r2 ?e'
        Pop $0
        ${If} $2 == 0
            SetErrors
        ${Else}
            System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r4)'
            System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r3, *i .r4)'
            ${IfNot} ${FileExists} "$INSTDIR\*.*"
                ${GetParent} "$INSTDIR" $4
                CreateDirectory "$4"
                ; SECURITY_ATTRIBUTES, padded by hand: nLength, the descriptor, bInheritHandle.
                System::Call '*(i 24, i 0, p r1, i 0, i 0) p .r4'
                System::Call 'kernel32::CreateDirectoryW(w "$INSTDIR", p r4)'
                System::Free $4
            ${EndIf}
            ; Also after CreateDirectoryW: it fails for a folder that someone else made first.
            ; OWNER | DACL | PROTECTED_DACL.
            System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000005, \
                p r2, p 0, p r3, p 0) i .r0'
            System::Call 'kernel32::LocalFree(p r1)'
            ${If} $0 != 0
                SetErrors
            ${EndIf}
        ${EndIf}
    ${EndIf}
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Pop $R2
    Pop $R1
    Pop $R0
FunctionEnd

Function .onInit
    SetRegView 64
    ; install.exe and uninstall.exe write the machine-wide Run key: without an administrator
    ; the product would be half installed.
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
        MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} Setup needs administrator rights." /SD IDOK
        SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
        Quit
    ${EndIf}
    ; A silent setup shows no folder page, so its /D folder is checked here.
    ${If} ${Silent}
        Call CheckInstallFolder
        ${If} ${Errors}
            SetErrorLevel 2
            Quit
        ${EndIf}
    ${EndIf}
FunctionEnd

Function .onVerifyInstDir
    Call CheckInstallFolder
    ${If} ${Errors}
        Abort
    ${EndIf}
FunctionEnd

Section "${PRODUCT}"
    ; Before any file is put there; then the folder must still be empty, now that nobody else can
    ; put anything into it.
    Call ProtectInstallFolder
    ${If} ${Errors}
        MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} was not installed in $INSTDIR: the permissions of \
            this folder could not be set so that only administrators can change the programs in \
            it (Windows error $0).$\n$\nEvery account starts ${PRODUCT} when it logs on. In a \
            folder that other users can change, any of them could replace a program and gain \
            administrator rights.$\n$\nChoose a folder under Program Files, or a folder whose \
            permissions you may set." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    Call CheckInstallFolder
    ${If} ${Errors}
        MessageBox MB_ICONSTOP|MB_OK "${PRODUCT} was not installed: something else appeared in \
            $INSTDIR. Choose a new or empty folder." /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"

    ; The working folder of a shortcut is the output path: the program folder.
    CreateDirectory "$INSTDIR\TW"
    CreateShortCut "$INSTDIR\TW\Tarnwick Settings.lnk" "$INSTDIR\TarnwickSettings.exe" "" \
        "$INSTDIR\TarnwickSettings.exe" 0
    CreateShortCut "$INSTDIR\TW\Uninstall Tarnwick.lnk" "$INSTDIR\uninstall.exe" "" \
        "$INSTDIR\uninstall.exe" 0

    ; Apps & features: written before install.exe runs, so that a product whose installer was
    ; interrupted can still be found and removed.
    WriteRegStr HKLM "${ARP_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${ARP_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${ARP_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${ARP_KEY}" "DisplayIcon" "$INSTDIR\TarnwickSettings.exe,0"
    ; uninstall.exe removes the entry only when it deleted this folder.
    WriteRegStr HKLM "${ARP_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${ARP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKLM "${ARP_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${ARP_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${ARP_KEY}" "EstimatedSize" "$0"

    ; install.exe never overwrites a shortcut in the group, so the shortcuts of an earlier setup
    ; would stay, maybe pointing at another folder, and keep the new ones in TW.
    SetShellVarContext current
    Delete "${GROUP}\Tarnwick Settings.lnk"
    Delete "${GROUP}\Uninstall Tarnwick.lnk"

    ; install.exe says that it is done in a message box; a silent setup tells it to keep quiet,
    ; or a scripted installation would wait for a click. It inherits this process's variables.
    ${If} ${Silent}
        System::Call 'Kernel32::SetEnvironmentVariable(t "TARNWICK_SILENT_SETUP", t "1")'
    ${EndIf}
    ClearErrors
    ExecWait '"$INSTDIR\install.exe"' $0
    ${If} ${Errors}
        MessageBox MB_ICONSTOP|MB_OK "$INSTDIR\install.exe could not be started." /SD IDOK
        Abort
    ${EndIf}
    ; Installed, but a start-up program stayed with Windows: a script learns it from the code.
    ${If} $0 == 1
        SetErrorLevel 1
    ${EndIf}
    ; install.exe found that the folder's permissions could not be set and did nothing; it said
    ; why unless silent. Nothing is registered then either.
    ${If} $0 == 2
        DeleteRegKey HKLM "${ARP_KEY}"
        SetErrorLevel 2
        Abort
    ${EndIf}
SectionEnd
