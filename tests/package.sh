#!/usr/bin/env bash
# Makes the Debian package from a build with scripts/package and checks it:
# one .deb, its control fields and dependencies, the link and the collection
# in it, and lintian's verdict (errors fail the test).
# usage: package.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# An older package in the folder stays; this one is never written over.
echo older >"$out/sobranie_0.9_all.deb"
"$source/scripts/package" "$build" "$out"

debs=("$out"/sobranie_"$version"_*.deb)
check "exactly one .deb written" test ${#debs[@]} -eq 1 -a -f "${debs[0]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"
check "an older package is left as it was" test "$(cat "$out/sobranie_0.9_all.deb")" = older
said=$("$source/scripts/package" "$build" "$out" 2>&1) || true
check "a second run refuses to write over it" grep -q 'exists; remove it' <<<"$said"
grep -q 'exists; remove it' <<<"$said" || printf 'the second run said:\n%s\n' "$said"

echo "== control"
field() { dpkg-deb --field "$deb" "$1"; }
check "Package is sobranie" test "$(field Package)" = sobranie
check "Version is the project's ($version)" test "$(field Version)" = "$version"
check "Architecture is this machine's" test "$(field Architecture)" = "$(dpkg --print-architecture)"
depends=$(field Depends)
echo "Depends: $depends"
for needed in xdg-utils fonts-liberation fonts-paratype libhyphen0 hyphen-ru libqt6webenginewidgets6 libqt6widgets6 libc6; do
  check "Depends names $needed" grep -qE "(^|, )$needed( |,|$)" <<<"$depends"
done

echo "== contents"
contents=$(dpkg-deb --contents "$deb")
check "/usr/bin/sobranie links to the reader" grep -qF './usr/bin/sobranie -> ../lib/sobranie/sobranie' <<<"$contents"
check "the reader is in /usr/lib/sobranie" grep -qE ' \./usr/lib/sobranie/sobranie$' <<<"$contents"
works=$(find "$source/sample/works" -name '*.txt' | wc -l)
check "every sample work is in /usr/lib/sobranie/Data" \
  test "$(grep -cE '\./usr/lib/sobranie/Data/[^/]+\.dat$' <<<"$contents")" -eq "$works"
check "nothing outside /usr" test -z "$(awk '{print $6}' <<<"$contents" | grep -vE '^\./(usr/.*)?$')"
check "files are owned by root" test -z "$(awk '$2 != "root/root"' <<<"$contents")"

changelog=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/sobranie/changelog.gz | zcat)
check "the changelog's latest entry is this version" \
  test "$(dpkg-parsechangelog -l- -SVersion <<<"$changelog")" = "$version"

echo "== lintian"
if command -v lintian >/dev/null; then
  # Runs as root in the test machines; lintian only warns about that.
  if lintian --display-info --display-experimental --fail-on error "$deb" 2> >(grep -v 'running with root privileges' >&2); then
    echo "ok: lintian reports no error"
  else
    fail "lintian reports errors"
  fi
else
  echo "lintian is not installed: not run"
fi

[ $failures -eq 0 ] && echo "all package checks passed" || echo "$failures package check(s) failed"
[ $failures -eq 0 ]
