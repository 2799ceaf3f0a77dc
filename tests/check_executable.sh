#!/usr/bin/env bash
# Checks a built installer: a GUI program of the target's width whose imports are all Windows' own.
set -euo pipefail
exe=$1 triplet=$2
case $triplet in
  i686) expected='PE32 executable (GUI) Intel 80386' ;;
  x86_64) expected='PE32+ executable (GUI) x86-64' ;;
  *) echo "unknown target $triplet"; exit 2 ;;
esac
kind=$(file -b "$exe")
[[ $kind == "$expected"* ]] || { echo "FAIL: $exe is '$kind', expected '$expected'"; exit 1; }

# A static runtime leaves only system libraries to import.
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|version|bcrypt|ws2_32|msvcrt|uxtheme)\.dll$'
bad=$("$triplet-w64-mingw32-objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | grep -Ev "$allowed" || true)
[[ -z $bad ]] || { echo "FAIL: $exe imports libraries that are not part of Windows:"; echo "$bad"; exit 1; }
echo "ok: $kind, imports only Windows libraries"
