# Shared settings of the Wine test bench; sourced by the other tools.
# Wine runs as an unprivileged user: as root it would let CopyFile
# overwrite read-only files, which Windows refuses.

REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_ROOT=${BUILD_ROOT:-$REPO_ROOT/build}
WINE_USER=${WINE_USER:-winetest}
# One bench per name: "test" for the test suite, "demo" for the demo run.
WINE_BENCH=${WINE_BENCH:-test}
WINE_BENCH_DIR=$BUILD_ROOT/wine-$WINE_BENCH
export WINEPREFIX=$WINE_BENCH_DIR/prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Run a command as the bench user (directly when we are that user already).
as_wine_user() {
    if [ "$(id -u)" = 0 ] && [ "$WINE_USER" != root ]; then
        runuser -u "$WINE_USER" -- env WINEPREFIX="$WINEPREFIX" WINEDEBUG="$WINEDEBUG" \
            WINEDLLOVERRIDES="$WINEDLLOVERRIDES" DISPLAY="${DISPLAY:-}" HOME="$(eval echo ~"$WINE_USER")" "$@"
    else
        "$@"
    fi
}

# The display of the bench's Xvfb, when one runs.
bench_display() {
    [ -f "$WINE_BENCH_DIR/display" ] && cat "$WINE_BENCH_DIR/display"
}
