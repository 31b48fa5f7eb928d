#!/usr/bin/env bash
# The Windows build of the checker under Wine, on one script: its output
# and its exit status.
#   wine_check.sh SCRIPTCHECK_EXE SCRIPT
set -u
cd "$(dirname "$0")/../.."
exe=$1 script=$2
tools/wine-put "$script" 'C:\scriptcheck\' || exit 1
raw=$(mktemp)
trap 'rm -f "$raw"' EXIT
tools/wine-run "$exe" 'C:\scriptcheck\wine-traps.ini' >"$raw"
status=$?
out=$(tr -d '\r' <"$raw")
expected='C:\scriptcheck\wine-traps.ini:1: error: the script'"'"'s name "wine-traps.ini" holds a "-": setuprun ends the script argument at the first "-", finds no script, runs nothing and writes no log [script-name]
    fix: name the script without "-", and its folders too when it is given by its full path
C:\scriptcheck\wine-traps.ini:5: error: "32 Installing" has no comma: the runner takes type 32 with no fields and loses the rest [missing-comma]
    fix: put a comma after the type: 32,Installing
C:\scriptcheck\wine-traps.ini:7: error: the program path is quoted: the runner takes "C: (up to the last backslash before the first blank) as its directory and the start fails with 267 [quoted-program]
    fix: write the path without quotes, in a directory whose path has no blanks
C:\scriptcheck\wine-traps.ini:9: error: RegHive "HKEY_CURENT_USER" is no root key: the runner writes into HKEY_LOCAL_MACHINE [root-fallback]
    fix: write HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG, HKEY_PERFORMANCE_DATA or HKEY_DYN_DATA (did you mean HKEY_CURRENT_USER?)
C:\scriptcheck\wine-traps.ini:12: error: RegData "12x" is no DWORD: the runner refuses it [dword-text]
    fix: write an unsigned decimal number or 0x and up to 8 hex digits (at most 4294967295)'
echo "$out"
echo "exit status $status"
if [ "$status" != 2 ]; then
    echo "wine_check: expected exit status 2 (errors)" >&2
    exit 1
fi
if [ "$out" != "$expected" ]; then
    echo "wine_check: the output differs from the expected findings:" >&2
    diff <(echo "$expected") <(echo "$out") >&2
    exit 1
fi
