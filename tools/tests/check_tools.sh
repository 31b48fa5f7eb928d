#!/usr/bin/env bash
# The project's tools and documents, without Wine: the links of every
# document, pe-check's arguments, the format of INSTALL.TXT, the package's
# table against release/contents.txt, and the benches the tools use, each
# listed in the header of tools/wine-session.
#   check_tools.sh SOURCE_DIR
set -u
source_dir=$1
cd "$source_dir" || exit 1
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Every link of the documents holds; a broken file name or anchor is found.
tools/check-links README.md docs/*.md >"$scratch/links" || fail "broken links: $(cat "$scratch/links")"
printf '# Title\n\n[here](#title) [gone](#no-such-heading) [file](no-such.md) `[code](x.md)`\n\n    [indented](y.md)\n' \
    >"$scratch/broken.md"
tools/check-links "$scratch/broken.md" >"$scratch/out" && fail "check-links passed a broken document"
[ "$(grep -c ': no such file\|: no heading' "$scratch/out")" = 2 ] ||
    fail "check-links did not find exactly the two broken links: $(cat "$scratch/out")"

# pe-check with the list after the programs ends in a usage line.
printf 'MZ not really a program' >"$scratch/program.exe"
for command in imports version; do
    status=0
    tools/pe-check "$command" "$scratch/program.exe" release/win32-imports.txt 2>"$scratch/err" || status=$?
    [ "$status" = 2 ] || fail "pe-check $command with its arguments swapped: status $status, expected 2"
    grep -q "^usage: pe-check $command" "$scratch/err" || fail "pe-check $command: no usage line: $(cat "$scratch/err")"
    grep -q Traceback "$scratch/err" && fail "pe-check $command ended in a traceback"
done

# INSTALL.TXT holds the format Notepad needs; a faulty text is refused.
tools/release check-text install/INSTALL.TXT || fail "install/INSTALL.TXT is not plain ASCII with short lines"
printf 'short line\r\n%s\r\ncaf\xc3\xa9\r\nno CR\n\ttab\r\n' "$(printf '%080d' 0)" >"$scratch/INSTALL.TXT"
tools/release check-text --crlf "$scratch/INSTALL.TXT" 2>"$scratch/out" && fail "check-text passed a faulty text"
[ "$(grep -c ':2: 80 characters\|:3: a character\|:4: no CR LF\|:5: a character' "$scratch/out")" = 4 ] ||
    fail "check-text did not find exactly the four faults: $(cat "$scratch/out")"

# The package's table in docs/install.md and release/contents.txt agree:
# every file that ships is named there, every document named there ships.
python3 - >"$scratch/out" <<'PY' || fail "docs/install.md and release/contents.txt disagree: $(cat "$scratch/out")"
import fnmatch, os, re, sys
targets = [l.split()[2] for l in open("release/contents.txt") if l.split() and not l.startswith("#")]
table = open("docs/install.md").read().split("## What a package holds")[1].split("\n## ")[0]
named = [n.replace("\\", "/").rstrip("/") for n in re.findall(r"`([^`]+)`", table)]
faults = [t + " ships but is not in the table" for t in targets
          if not any(fnmatch.fnmatch(t, n) or os.path.basename(t) == n for n in named)]
faults += [n + " is in the table but does not ship" for n in named if n.startswith("docs/") and n.endswith(".md")
           and n not in targets]
print("; ".join(faults))
sys.exit(1 if faults else 0)
PY

# Every bench a tool or a test names is listed where benches are explained.
header=$(sed -n '/^# The benches/,/^set -eu/p' tools/wine-session)
for bench in $(grep -ohsE 'WINE_BENCH(=|:-)[a-z0-9]+' tools/* CMakeLists.txt */CMakeLists.txt */tests/CMakeLists.txt |
    sed -E 's/.*(=|-)//' | sort -u); do
    grep -qE "^#   $bench +" <<<"$header" || fail "the bench \"$bench\" is not listed in the header of tools/wine-session"
done

[ "$failures" = 0 ] && echo "check_tools: all checks passed"
exit $((failures > 0))
