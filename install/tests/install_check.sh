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
    expect_line "$log" 'Installed in the system directory: vlxpnpmgr.exe (service vlxpnpmgr started) and palprop.cpl' "install"
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
    expect_line "$log" 'Installed in the system directory: palprop.cpl' "install"
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

log=$(install_run remove.ini)
expect_line "$log" 'DONE !' "remove"
snapshot after
same before after "remove.ini did not leave the machine as it was"

[ "$failures" = 0 ] && echo "install_check ($version): install, service, applet, upgrade and removal as expected"
exit $((failures > 0))
