#!/usr/bin/env bash
# install.ini and remove.ini end to end, as an administrator runs them on
# one Windows version (Wine's per-program version: win2k, nt40, win98), on
# the simulated bay machine of the bench:
#   - the registry and the system directory are taken down first;
#   - install.ini: on NT 4.0 and 2000 the service runs under the service
#     control manager and gives a CD-ROM put into a bay its drive letter;
#     on 98 there is no service; control.exe shows the applet's pages;
#   - install.ini again (an upgrade) changes nothing and the service runs;
#   - remove.ini: the registry and the system directory are as they were.
#   install_check.sh VERSION WINDOWS_BUILD_TREE
set -u
cd "$(dirname "$0")/../.."
version=$1
export BUILD_ROOT
BUILD_ROOT=$(dirname "$2")
export WIN_TREE=${WIN_TREE:-$(basename "$2")}
export WINE_BENCH=${WINE_BENCH:-bay}
source tools/wine-env.sh
export DISPLAY=$(bench_display)
bin=$BUILD_ROOT/$WIN_TREE/bin
drive_c=$WINEPREFIX/drive_c
system=$drive_c/windows/system32
snapshots=$(mktemp -d)
failures=0
fail() {
    echo "FAIL ($version): $*" >&2
    failures=$((failures + 1))
}
run() { tools/wine-run "$@" 2>/dev/null | tr -d '\r'; }
# The programs that take the version: the runner, the service, the applet's host.
programs=(setuprun.exe vlxpnpmgr.exe control.exe)

cleanup() {
    [ -f "$snapshots/net.exe" ] && windows_net off
    tools/bay-sim unload
    for program in "${programs[@]}"; do
        run reg delete "HKCU\\Software\\Wine\\AppDefaults\\$program" /f >/dev/null
    done
    rm -rf "$drive_c/vorlix" "$drive_c/vorlix.log" "$system/vlxpnpmgr.exe" "$system/palprop.cpl" "$snapshots"
}
trap cleanup EXIT

# The registry as text, without the keys Wine and the simulated machine
# change as they run (the display's keys, the count of service starts, the
# console's settings made when net.exe first runs in a new bench, the bay
# machine's own state), and the system directory's files with sizes.
volatile='^\[HKEY_LOCAL_MACHINE\\(System\\CurrentControlSet\\Control\\(Video|ServiceCurrent|Class\\\{4D36E968-)|Software\\BaySim)|^\[HKEY_USERS\\[^\\]+\\Console[]\\]'
snapshot() {
    run regedit /E 'C:\snapshot.reg'
    iconv -f UTF-16 -t UTF-8 "$drive_c/snapshot.reg" | tr -d '\r' |
        skip=$volatile awk '/^\[/ { keep = $0 !~ ENVIRON["skip"] } keep' >"$snapshots/$1.reg"
    rm -f "$drive_c/snapshot.reg"
    (cd "$system" && find . -type f -printf '%P %s\n' | LC_ALL=C sort) >"$snapshots/$1.files"
}
same() { # same A B WHAT: the two snapshots agree
    local kind
    for kind in reg files; do
        if ! diff -u "$snapshots/$1.$kind" "$snapshots/$2.$kind" >"$snapshots/diff"; then
            fail "$3 ($kind):"
            head -40 "$snapshots/diff" >&2
        fi
    done
}
install_run() { # install_run SCRIPT: runs it as the administrator does; the log of this run
    rm -f "$drive_c/vorlix.log"
    run 'C:\vorlix\setuprun.exe' "$1" -silent
    tr -d '\r' <"$drive_c/vorlix.log"
}
expect_line() { # expect_line TEXT PATTERN WHAT
    grep -q -- "$2" <<<"$1" || fail "$3: no line \"$2\""
}
service_state() { run sc query vlxpnpmgr | awk '$1 == "STATE" { print $4 }'; }
# net.exe as Windows' (sim/winnet.exe in its place, run before Wine's own),
# or Wine's again. Wine's net stop returns as soon as the stop is asked.
windows_net() { # windows_net on|off
    if [ "$1" = on ]; then
        cp "$system/net.exe" "$snapshots/net.exe"
        cp "$BUILD_ROOT/$WIN_TREE/sim/winnet.exe" "$system/net.exe"
        bench_own "$system/net.exe"
        run reg add 'HKCU\Software\Wine\DllOverrides' /v net.exe /d native /f >/dev/null
    else
        cp "$snapshots/net.exe" "$system/net.exe"
        rm -f "$snapshots/net.exe"
        run reg delete 'HKCU\Software\Wine\DllOverrides' /v net.exe /f >/dev/null
    fi
}

tools/bay-sim unload
# A machine without our programs, whatever an earlier test left behind.
rm -f "$system/vlxpnpmgr.exe" "$system/palprop.cpl"
tools/bay-sim load vlxpx4 vlxcdrom >/dev/null
tools/bay-sim set examples/bay/boot.ini
for program in "${programs[@]}"; do
    run reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d "$version" /f >/dev/null
done
tools/wine-put "$bin/setuprun.exe" "$bin/vlxpnpmgr.exe" "$bin/palprop.cpl" install/install.ini install/remove.ini \
    'C:\vorlix\'
case "$version" in
win98) nt= pages='Controller Properties' ;;
*) nt=1 pages='Controller Properties|Pallard Properties' ;;
esac

snapshot before
log=$(install_run install.ini)
expect_line "$log" 'DONE !' "install"
if [ -n "$nt" ]; then
    expect_line "$log" 'Asked for: vlxpnpmgr.exe and palprop.cpl copied into the system directory and the service vlxpnpmgr registered and started (the lines above say how each step ended)' "install"
    expect_line "$log" 'service was started successfully' "install (net's own words in the log)"
    [ "$(service_state)" = RUNNING ] || fail "after the install the service is not running: $(service_state)"
    tools/bay-sim clear
    tools/bay-sim change examples/bay/cdrom-in.ini
    for _ in $(seq 1 60); do
        tools/bay-sim links | grep -q '^D: ' && break
        sleep 0.25
    done
    tools/bay-sim links | grep -q '^D: \\Device\\CdRom' ||
        fail "the CD-ROM put into bay 1 got no drive letter: $(tools/bay-sim links | tr '\n' ' ')"
else
    expect_line "$log" 'Asked for: palprop.cpl copied into the system directory' "install"
    tools/wine-run reg query 'HKLM\System\CurrentControlSet\Services\vlxpnpmgr' >/dev/null 2>&1 &&
        fail "a service was registered on $version"
fi
shown=$(run "$BUILD_ROOT/$WIN_TREE/tests/sheet_pages.exe" | paste -sd '|')
[ "$shown" = "$pages" ] || fail "control.exe palprop.cpl shows the pages \"$shown\", expected \"$pages\""

# The upgrade: the service stopped before its program is replaced, and
# started again; nothing new in the registry or the system directory.
snapshot installed
log=$(install_run install.ini)
expect_line "$log" 'DONE !' "upgrade"
# (The firmware driver's lines say only that none ships: these scripts need none.)
errors=$(grep 'Error=' <<<"$log" | grep -v -i 'NVX')
[ -z "$errors" ] || fail "upgrade: $errors"
if [ -n "$nt" ]; then
    grep -n 'Spawning\|Copying' <<<"$log" | sed 's/.*\(net.exe [a-z]*\|-install\|Copying [^ ]*\).*/\1/' |
        paste -sd '|' | grep -q '^net.exe stop|Copying C:\\vorlix\\vlxpnpmgr.exe|-install|net.exe start|' ||
        fail "upgrade: not stop, copy, register, start in this order"
    [ "$(service_state)" = RUNNING ] || fail "after the upgrade the service is not running: $(service_state)"
fi
snapshot upgraded
same installed upgraded "the upgrade changed what was installed"

# An upgrade that meets the service busy with a bay change, stopped as
# Windows' net.exe stops it (sim/winnet.cpp: it gives up once the wait
# hint passes without the checkpoint moving): it ends with the new
# program registered and running. A service that shows no progress is
# given up on, its program cannot be replaced, and the registration
# fails with a box that an unattended upgrade never answers.
if [ -n "$nt" ]; then
    windows_net on
    run reg add 'HKLM\System\CurrentControlSet\Services\vlxpnpmgr\Parameters' /v EnableMessages /t REG_DWORD \
        /d 1 /f >/dev/null
    tools/bay-sim change install/tests/busy-change.ini
    sleep 0.5
    rm -f "$drive_c/vorlix.log"
    if ! timeout 120 tools/wine-run 'C:\vorlix\setuprun.exe' install.ini -silent >/dev/null 2>&1; then
        fail "busy upgrade: the install did not end within 120 s (a box waits?)"
        run taskkill /f /im vlxpnpmgr.exe >/dev/null # its box, which no one answers
    fi
    log=$(tr -d '\r' <"$drive_c/vorlix.log")
    expect_line "$log" 'DONE !' "busy upgrade"
    expect_line "$log" 'service was stopped successfully' "busy upgrade: net stop"
    errors=$(grep 'Error=' <<<"$log" | grep -v -i 'NVX')
    [ -z "$errors" ] || fail "busy upgrade: $errors"
    [ "$(service_state)" = RUNNING ] || fail "after the busy upgrade the service is not running: $(service_state)"
    windows_net off
    if [ "$failures" != 0 ]; then
        grep -v 'replaced variable\|full string' <<<"$log" | tail -40 >&2
        exit 1 # what follows would wait on the boxes of a registration gone wrong
    fi
fi

log=$(install_run remove.ini)
expect_line "$log" 'DONE !' "remove"
snapshot after
same before after "remove.ini did not leave the machine as it was"
# A second removal finds nothing to remove, says so, and waits on no box.
rm -f "$drive_c/vorlix.log"
timeout 60 tools/wine-run 'C:\vorlix\setuprun.exe' remove.ini -silent >/dev/null 2>&1 ||
    fail "remove.ini run again did not end within 60 s (a box waits?)"
grep -q 'DONE !' "$drive_c/vorlix.log" 2>/dev/null || fail "remove.ini run again: no line \"DONE !\""

[ "$failures" = 0 ] && echo "install_check ($version): install, service, applet, upgrade and removal as expected"
exit $((failures > 0))
