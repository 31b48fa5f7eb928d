#!/usr/bin/env bash
# The machine files of examples/bay, walked with the real bay manager
# running as a service on the simulated bay machine: after each change,
# the drive letters and disk names that docs/bay-machine.md promises.
#   bay_files_check.sh WINDOWS_BUILD_TREE   (build/win64 or build/win32)
set -u
cd "$(dirname "$0")/../.."
export BUILD_ROOT WIN_TREE
BUILD_ROOT=$(dirname "$1")
WIN_TREE=$(basename "$1")
export WINE_BENCH=${WINE_BENCH:-bay}
source tools/wine-env.sh
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
run() { tools/wine-run "$@" >/dev/null 2>&1; }
trap 'tools/bay-sim unload; rm -f "$WINEPREFIX/drive_c/windows/system32/vlxpnpmgr.exe"' EXIT

# The names beyond the system disk's, as "D:=CdRom0 PhysicalDrive1=Harddisk1\Partition0".
names() {
    tools/bay-sim links | grep -v '^C: \|^PhysicalDrive0 ' | sed 's| \\Device\\|=|' | paste -sd ' '
}
# The machine as at boot, the service started afresh so that it takes stock.
boot() { # boot WARM_SWAPPING
    run net stop vlxpnpmgr
    tools/bay-sim set examples/bay/boot.ini
    run reg add 'HKLM\System\CurrentControlSet\Services\vlxpnpmgr\Parameters' /v EnableWarmSwapping /t REG_DWORD \
        /d "$1" /f
    run net start vlxpnpmgr
}
# A change, handled: the service has read the bay status and the names
# are as expected (an unchanged machine is given a second to change).
step() { # step FILE EXPECTED
    local got=
    tools/bay-sim clear
    tools/bay-sim change "examples/bay/$1"
    for _ in $(seq 1 60); do
        tools/bay-sim log | grep -q QueryStatus && break
        sleep 0.25
    done
    sleep 1
    for _ in $(seq 1 40); do
        got=$(names)
        [ "$got" = "$2" ] && return 0
        sleep 0.25
    done
    fail "after $1: \"$got\", expected \"$2\""
}

tools/bay-sim unload
tools/bay-sim load vlxpx4 vlxcdrom >/dev/null
tools/wine-put "$BUILD_ROOT/$WIN_TREE/bin/vlxpnpmgr.exe" 'C:\windows\system32\' ||
    { fail "cannot put the service in place"; exit 1; }
run 'C:\windows\system32\vlxpnpmgr.exe' -install

cdrom='D:=CdRom0'
disk='E:=Harddisk1\Partition1 F:=Harddisk1\Partition2 PhysicalDrive1=Harddisk1\Partition0'
boot 0
step cdrom-in.ini "$cdrom"
step cdrom-out.ini ''
step floppy-in.ini 'A:=Floppy0'
step floppy-out.ini ''
boot 0
step cdrom-in.ini "$cdrom"
step disk-in.ini "$cdrom $disk"
step disk-out.ini "$cdrom"
boot 0
step cdrom-in.ini "$cdrom"
step warm-swap.ini "$cdrom"
boot 1
step cdrom-in.ini "$cdrom"
step warm-swap.ini 'D:=Harddisk1\Partition1 PhysicalDrive1=Harddisk1\Partition0'

[ "$failures" = 0 ] && echo "bay_files_check: every change file gives the names it promises"
exit $((failures > 0))
