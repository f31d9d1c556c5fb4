#!/usr/bin/env bash
# Puts the colours of Windows' "High Contrast Black" scheme into the current Wine prefix's
# HKCU\Control Panel\Colors, where Wine takes the system colours from when a program starts. Wine
# cannot switch high contrast itself on: a program is told of it with TARNWICK_HIGH_CONTRAST=1.
# Wine's own visual style goes too, as Windows draws the controls of a high-contrast theme in the
# scheme's colours.
set -euo pipefail
colours=(
    ActiveBorder '255 255 255' ActiveTitle '0 0 0' AppWorkSpace '0 0 0' Background '0 0 0'
    ButtonAlternateFace '0 0 0' ButtonDkShadow '255 255 255' ButtonFace '0 0 0'
    ButtonHilight '255 255 255' ButtonLight '255 255 255' ButtonShadow '255 255 255'
    ButtonText '255 255 255' GradientActiveCaption '0 0 0' GradientInactiveCaption '0 0 0'
    GrayText '63 242 63' Hilight '26 235 255' HilightText '0 0 0' HotTrackingColor '255 255 0'
    InactiveBorder '255 255 255' InactiveTitle '0 0 0' InactiveTitleText '255 255 255'
    InfoText '255 255 255' InfoWindow '0 0 0' Menu '0 0 0' MenuBar '0 0 0'
    MenuHilight '26 235 255' MenuText '255 255 255' Scrollbar '0 0 0' TitleText '255 255 255'
    Window '0 0 0' WindowFrame '255 255 255' WindowText '255 255 255'
)
for ((i = 0; i < ${#colours[@]}; i += 2)); do
    wine reg add 'HKCU\Control Panel\Colors' /v "${colours[i]}" /d "${colours[i + 1]}" /f \
        </dev/null >/dev/null 2>&1
done
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive \
    /d 0 /f </dev/null >/dev/null 2>&1
