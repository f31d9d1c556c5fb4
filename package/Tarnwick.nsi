; The setup program: copies the program folder, writes the product's own shortcuts into its TW
; folder, runs install.exe (which moves them into the start-menu group, takes over the start-up
; programs and writes the defaults) and registers the product under Apps & features.
; Built by scripts/package.sh: makensis -DSTAGE=<program folder> -DOUTFILE=<exe> Tarnwick.nsi

Unicode true
!include "x64.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Tarnwick"
!define VERSION "1.6.0"
!define PUBLISHER "Mereval Software"
!define ARP_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\${PRODUCT}"
ShowInstDetails show
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Page directory
Page instfiles

Function .onInit
    ; The programs are 64-bit and the Run keys they manage are the 64-bit ones.
    SetRegView 64
    ${If} $INSTDIR == ""
        StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
FunctionEnd

Section "Tarnwick"
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"

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
    WriteRegStr HKLM "${ARP_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${ARP_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegDWORD HKLM "${ARP_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${ARP_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${ARP_KEY}" "EstimatedSize" "$0"

    ExecWait '"$INSTDIR\install.exe"'
SectionEnd
