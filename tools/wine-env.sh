# Shared settings of the Wine test bench; sourced by the other tools.
# Wine runs as an unprivileged user: as root it would let CopyFile
# overwrite read-only files, which Windows refuses.
#
# The bench lives where the Wine user owns it, not in the checkout: a
# checkout under a directory that user cannot enter (a 0700 home, a
# `mktemp -d` directory) would otherwise keep Wine out of its own prefix.
# It is keyed by the checkout, so several checkouts have benches side by
# side, and the built programs are staged into it before Wine runs them.

REPO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)
BUILD_ROOT=${BUILD_ROOT:-$REPO_ROOT/build}
# The Windows build the bench runs: win64 here, win32 on the emulated i386
# machine (tools/i386-bench).
WIN_TREE=${WIN_TREE:-win64}
if [ "$(id -u)" = 0 ]; then
    WINE_USER=${WINE_USER:-winetest}
else
    WINE_USER=$(id -un)
fi
# One bench per name (tools/wine-session lists them). By default "hand",
# the bench of runs by hand, which the tests never touch: their drive C:
# keeps only what one tried oneself.
WINE_BENCH=${WINE_BENCH:-hand}

bench_fail() {
    echo "${0##*/}: $*" >&2
    exit 1
}

# The Wine user, made on first use.
if [ "$(id -u)" = 0 ] && ! id "$WINE_USER" >/dev/null 2>&1; then
    useradd -m "$WINE_USER" || bench_fail "cannot make the user $WINE_USER for Wine (useradd failed)"
fi
WINE_HOME=$(getent passwd "$WINE_USER" | cut -d: -f6)
[ -n "$WINE_HOME" ] && [ -d "$WINE_HOME" ] ||
    bench_fail "the Wine user $WINE_USER has no home directory; make one (usermod -d /home/$WINE_USER -m $WINE_USER)"

CHECKOUT_KEY=$(basename "$REPO_ROOT")-$(printf '%s' "$REPO_ROOT" | sha1sum | cut -c1-10)
BENCH_ROOT=$WINE_HOME/vorlix-bench/$CHECKOUT_KEY
WINE_BENCH_DIR=$BENCH_ROOT/$WINE_BENCH
STAGE_DIR=$BENCH_ROOT/stage
export WINEPREFIX=$WINE_BENCH_DIR/prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Run a command as the bench user (directly when we are that user already),
# from the prefix's drive C: (before the prefix exists, the user's home):
# the caller's directory, a root-only checkout for one, may be closed to
# that user, and Wine would say so at every start. Arguments are Windows
# paths or absolute ones.
as_wine_user() {
    local dir=$WINEPREFIX/drive_c
    [ -d "$dir" ] || dir=$WINE_HOME
    if [ "$(id -u)" = 0 ] && [ "$WINE_USER" != root ]; then
        (cd "$dir" && exec runuser -u "$WINE_USER" -- env WINEPREFIX="$WINEPREFIX" WINEDEBUG="$WINEDEBUG" \
            WINEDLLOVERRIDES="$WINEDLLOVERRIDES" DISPLAY="${DISPLAY:-}" HOME="$WINE_HOME" "$@")
    else
        (cd "$dir" && exec "$@")
    fi
}

# Makes a directory of the bench (and its parents up to the Wine user's
# home) owned by the Wine user.
bench_mkdir() {
    local dir=$1
    [ -d "$dir" ] && return 0
    bench_mkdir "$(dirname "$dir")"
    mkdir "$dir"
    [ "$(id -u)" = 0 ] && chown "$WINE_USER:" "$dir"
    return 0
}

# Hands files made by root inside the bench to the Wine user.
bench_own() {
    [ "$(id -u)" = 0 ] && chown -R "$WINE_USER:" "$@"
    return 0
}

# The display of the bench's Xvfb, when one runs.
bench_display() {
    [ -f "$WINE_BENCH_DIR/display" ] && cat "$WINE_BENCH_DIR/display"
}

# For a tool that runs in a bench of its own (WINE_BENCH, set before this
# file is sourced): starts the bench and stops it when the tool ends,
# whichever way it ends.
bench_open() {
    trap '"$REPO_ROOT/tools/wine-session" stop' EXIT
    trap 'exit 130' INT TERM
    "$REPO_ROOT/tools/wine-session" start
}

# Copies the built Windows programs and drivers into the stage, where the
# Wine user can reach them, keeping the build's layout (bin/, tests/, sim/):
# tests find the programs they run beside their own folder. A file is
# replaced by a rename, never rewritten in place, so a program that runs
# from the stage keeps its old copy. Several runs at once take turns.
stage_build() {
    local built=$BUILD_ROOT/$WIN_TREE
    [ -d "$built" ] || return 0
    bench_mkdir "$STAGE_DIR"
    (
        flock 9
        local dir file target
        for dir in bin tests sim; do
            [ -d "$built/$dir" ] || continue
            bench_mkdir "$STAGE_DIR/$dir"
            for file in "$built/$dir"/*.exe "$built/$dir"/*.sys "$built/$dir"/*.dll "$built/$dir"/*.cpl; do
                [ -f "$file" ] || continue
                target=$STAGE_DIR/$dir/${file##*/}
                [ "$file" -nt "$target" ] || [ ! -f "$target" ] || continue
                cp -p "$file" "$target.new"
                bench_own "$target.new"
                mv -f "$target.new" "$target"
            done
        done
        # The example scripts, for the test that runs each of them: the
        # build makes its copy afresh, and the stage takes it whole.
        local examples=$built/tests/examples staged=$STAGE_DIR/tests/examples
        if [ -d "$examples" ] && { [ ! -d "$staged" ] || [ "$examples" -nt "$staged" ]; }; then
            rm -rf "$staged.new"
            cp -rp "$examples" "$staged.new"
            bench_own "$staged.new"
            rm -rf "$staged"
            mv "$staged.new" "$staged"
        fi
    ) 9>"$BENCH_ROOT/stage.lock"
}

# The stage's copy of a path under the Windows build, or the path itself.
staged_path() {
    case "$1" in
    "$BUILD_ROOT/$WIN_TREE/"*) printf '%s\n' "$STAGE_DIR/${1#"$BUILD_ROOT/$WIN_TREE/"}" ;;
    *) printf '%s\n' "$1" ;;
    esac
}

# The Unix path of a Windows path on the prefix's drive C: ('C:\mine\x').
prefix_path() {
    local windows=$1 rest
    case "$windows" in
    [cC]:\\* | [cC]:) ;;
    *) bench_fail "$windows is not a path on drive C:" ;;
    esac
    rest=${windows:2}
    rest=${rest//\\//}
    printf '%s\n' "$WINEPREFIX/drive_c$rest"
}
