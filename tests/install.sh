#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what a user and the
# desktop get from it: the layout, the desktop entry, icons, metainfo, man
# pages and copyright, the validators' verdicts, and that the reader started
# through bin/sobranie reads the collection beside its real path.
# usage: install.sh BUILD_DIR SOURCE_DIR VERSION OPEN_WATCH XVFB_RUN XVFB_SERVER
set -euo pipefail
build=$1 source=$2 version=$3 open_watch=$4 xvfb_run=$5 xvfb_server=$6

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# What the reader keeps from run to run goes into this run's own folder.
export XDG_STATE_HOME=$work/state
prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null

id=org.example.sobranie
program=$prefix/lib/sobranie/sobranie
data=$prefix/lib/sobranie/Data

echo "== programs"
check "the reader is an executable file in lib/sobranie" test -f "$program" -a -x "$program" -a ! -L "$program"
check "bin/sobranie is a relative link to it" test "$(readlink "$prefix/bin/sobranie")" = ../lib/sobranie/sobranie
check "the link resolves to the reader" test "$(readlink -f "$prefix/bin/sobranie")" = "$(readlink -f "$program")"
check "bin/sobranie-pack is an executable file" test -f "$prefix/bin/sobranie-pack" -a -x "$prefix/bin/sobranie-pack"

echo "== the sample collection"
check "the help page is beside the reader, as it is in the sources" \
  cmp -s "$source/sample/Справка.htm" "$prefix/lib/sobranie/Справка.htm"
check "the biography is in Data/, as it is in the sources" \
  cmp -s "$source/sample/Биография.html" "$data/Биография.html"
for text in "$source"/sample/works/*.txt; do
  name=$(basename "$text" .txt)
  check "work file: $name.dat" test -s "$data/$name.dat"
done
works=$(find "$source/sample/works" -name '*.txt' | wc -l)
check "nothing else in Data/" test "$(find "$data" -type f | wc -l)" -eq $((works + 1))
if report=$("$prefix/bin/sobranie-pack" check "$data"); then
  echo "ok: the installed sobranie-pack finds no problem in the installed works"
else
  fail "sobranie-pack check Data: $report"
fi
check "sobranie-pack check lists every work" test "$(grep -c '^[0-9]*) ' <<<"$report")" -eq "$works"

echo "== desktop entry"
desktop=$prefix/share/applications/$id.desktop
check "desktop entry installed" test -f "$desktop"
# Silent: hints (a category without its main one, say) count as faults too.
quiet() {
  local said status=0
  said=$("$@" 2>&1) || status=$?
  [ -z "$said" ] && [ $status -eq 0 ] && return
  echo "$said"
  return 1
}
check "desktop-file-validate has nothing to say about it" quiet desktop-file-validate "$desktop"
field() { sed -n "s/^$1=//p" "$desktop"; }
check "it starts a program installed in bin/" test -x "$prefix/bin/$(field Exec | cut -d' ' -f1)"
check "it has a Russian name and comment" test -n "$(field 'Name\[ru\]')" -a -n "$(field 'Comment\[ru\]')"
check "its StartupWMClass is the program's file name (Qt's default WM_CLASS)" \
  test "$(field StartupWMClass)" = "$(basename "$program")"
check "the reader names this desktop file for itself" grep -qF "setDesktopFileName(QStringLiteral(\"$id\"))" \
  "$source/app/main.cpp"

echo "== icons"
icon=$(field Icon)
check "the desktop entry's icon is installed as SVG" test -s "$prefix/share/icons/hicolor/scalable/apps/$icon.svg"
for size in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x$size/apps/$icon.png
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  check "icon ${size}x$size is a PNG of that size" test "$dims" = "${size}x$size"
done

echo "== metainfo"
metainfo=$prefix/share/metainfo/$id.metainfo.xml
check "metainfo installed" test -f "$metainfo"
check "appstreamcli validate, pedantic, has nothing to say about it" \
  quiet appstreamcli validate --no-net --pedantic --no-color "$metainfo" --format yaml
check "it launches the desktop entry" grep -qF "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"
check "it has screenshots" grep -q '<screenshot' "$metainfo"
check "its latest release is this version ($version)" \
  test "$(grep -om1 '<release version="[^"]*"' "$metainfo" | cut -d'"' -f2)" = "$version"

echo "== man pages and copyright"
for page in sobranie sobranie-pack; do
  man=$prefix/share/man/man1/$page.1.gz
  check "man page $page.1 installed, gzip intact" gzip -t "$man"
  if command -v man >/dev/null; then
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$man" 2>&1 >/dev/null || echo "man failed")
    check "man renders $page.1 without warnings${warnings:+: $warnings}" test -z "$warnings"
  fi
done
# Every command the tool's usage lists has its own entry in its man page.
usage=$("$prefix/bin/sobranie-pack" 2>&1 || true)
commands=$(grep -o 'sobranie-pack [a-z]*' <<<"$usage" | cut -d' ' -f2)
check "sobranie-pack without arguments lists its commands" test -n "$commands"
while read -r command; do
  check "sobranie-pack.1 describes '$command'" zgrep -q "^\.B sobranie\\\\-pack $command" \
    "$prefix/share/man/man1/sobranie-pack.1.gz"
done <<<"$commands"
copyright=$prefix/share/doc/sobranie/copyright
check "copyright is machine-readable" grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright"
check "copyright carries the LICENSE's terms" \
  diff <(sed -n '/^Permission/,$p' "$source/LICENSE" | tr -s ' \n' ' ') \
  <(sed -n '/^ Permission/,$p' "$copyright" | sed 's/^ \.$//; s/^ //' | tr -s ' \n' ' ')

echo "== asked from a terminal without a display"
for option in --help --version; do
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/sobranie" "$option" 2>&1) && status=0 || status=$?
  check "sobranie $option prints and exits 0 without a display (status $status)" \
    test $status -eq 0 -a -n "$(grep -E '^(Usage: sobranie|sobranie '"$version"'$)' <<<"$said")"
done

echo "== started through bin/sobranie"
# The reader lists Data/ at start-up; that it opens this Data/ (and not one
# beside the link) shows it found its collection through the link.
check "the reader started through the link opens lib/sobranie/Data" env -u XDG_RUNTIME_DIR \
  "$xvfb_run" -a -s "$xvfb_server" "$open_watch" 60 "$data" "$prefix/bin/sobranie" 2>"$work/said"
cat "$work/said" >&2
check "without a runtime folder it starts without Qt's warning" test -z "$(grep XDG_RUNTIME_DIR "$work/said")"

echo "== run by root, the About window's second link followed"
# The installed reader, run as root (as the tests run), driven through its menu
# and windows; its opener, a fake, waits to be let go till the reader has ended.
before=$(find "$prefix" | sort)
fake=$work/fake runtime=$work/runtime
mkdir -p "$fake" && mkdir -m 700 "$runtime" && touch "$fake/hold"
cat >"$fake/xdg-open" <<EOF
#!/bin/sh
ls -l /proc/\$\$/fd/ >'$fake/files'
while [ -e '$fake/hold' ]; do sleep 0.1; done
echo "\$1" >'$fake/opened'
EOF
chmod +x "$fake/xdg-open"
cat >"$work/drive" <<'EOF'
set -euo pipefail
"$1" 2>/dev/null & reader=$!
# A search fails when a window goes while it looks: looked for again.
search() { until xdotool search --onlyvisible "$@" 2>/dev/null; do sleep 0.1; done; }
window() { search --name "$1" | sed -n 1p; }
shown() { search --class sobranie | wc -l; }
main=$(window 'Собрание') windows=$(shown)
menu() {
  xdotool mousemove --window "$main" 25 8 click 1
  until [ "$(shown)" -gt "$windows" ]; do sleep 0.1; done
  xdotool key "$@" Return
}
menu Down Down # О программе
about=$(window 'О программе')
xdotool mousemove --window "$about" 100 34 click 1 # its second link
until [ -e "$2/files" ]; do sleep 0.1; done
xdotool mousemove --window "$about" 436 252 click 1 # OK
menu Up # Выход
wait $reader
EOF
check "the reader ends with its opener still running" env PATH="$fake:$PATH" XDG_RUNTIME_DIR="$runtime" \
  timeout 120 "$xvfb_run" -a -s "$xvfb_server" bash "$work/drive" "$prefix/bin/sobranie" "$fake"
check "nothing of the reader's own goes with the opener" test -s "$fake/files" -a -z "$(grep socket "$fake/files")"
rm -f "$fake/hold"
for _ in $(seq 100); do [ -e "$fake/opened" ] && break; sleep 0.1; done
check "the opener, let go, hands over the page in the runtime folder" \
  test "$(cat "$fake/opened" 2>/dev/null)" = "$runtime/sobranie/0.html"
check "the installed tree is left as installed" test "$(find "$prefix" | sort)" = "$before"

[ $failures -eq 0 ] && echo "all install checks passed" || echo "$failures install check(s) failed"
[ $failures -eq 0 ]
