#!/bin/sh
# Stands in for the user's browser under Wine (HKCU\Software\Wine\WineBrowser "Browsers"):
# adds the address it was given to the file beside itself, instead of showing it.
printf '%s\n' "$1" >>"$0.addresses"
