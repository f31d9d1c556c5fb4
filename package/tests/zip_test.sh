#!/usr/bin/env bash
# The zip holds exactly the program folder: the same files and folders, byte for byte, nothing
# more, at the top of the archive and with no path that could unpack outside the chosen folder.
# Usage: zip_test.sh ARCHIVE PROGRAM_FOLDER
set -euo pipefail
archive=$1
folder=$2
for path in "$archive" "$folder"; do
    [ -e "$path" ] || { echo "zip_test: $path is missing; build the package_tarnwick target" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

names=$(unzip -Z1 "$archive")
if grep -E '^/|^[A-Za-z]:|\\|(^|/)\.\.(/|$)' <<<"$names"; then
    echo "zip_test: the names above would unpack outside the chosen folder" >&2
    exit 1
fi
duplicates=$(sort <<<"$names" | uniq -d)
if [ -n "$duplicates" ]; then
    echo "zip_test: entries stored twice: $duplicates" >&2
    exit 1
fi
for program in Tarnwick.exe TarnwickSettings.exe install.exe uninstall.exe; do
    grep -qx "$program" <<<"$names" || { echo "zip_test: $program is not at the top" >&2; exit 1; }
done
# The administrative templates, as the central store's folder holds them.
for template in PolicyDefinitions/Tarnwick.admx PolicyDefinitions/en-US/Tarnwick.adml; do
    grep -qx "$template" <<<"$names" || { echo "zip_test: $template is missing" >&2; exit 1; }
done

unzip -q "$archive" -d "$work/unpacked"
# Same names both ways (files and folders, empty ones included) and the same bytes.
diff -r "$folder" "$work/unpacked"
echo "zip_test: $(wc -l <<<"$names") entries, the same as the program folder"
