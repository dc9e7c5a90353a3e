#!/bin/sh
# Installs a build tree into a staging folder, as a package build does, and
# checks what lands there: the file list, the desktop entry and metainfo as
# their validators see them, the manual page, and that the installed program
# runs its self-test with the installed helper.
#   check-install.sh <build dir> <source dir>
set -u
build=$1
source=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# The prefix the tree was configured for: the manual page names paths under it.
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
p=${prefix#/}
DESTDIR="$stage/root" cmake --install "$build" >/dev/null || { echo "install failed" >&2; exit 1; }
(cd "$stage/root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) >"$stage/installed"

id=org.pelvanewakehold.launcher
{
  echo $p/bin/launcher
  echo $p/libexec/launcher/launcher-keepawake
  echo $p/share/applications/$id.desktop
  echo $p/share/doc/launcher/changelog.Debian.gz
  echo $p/share/doc/launcher/copyright
  for size in 16 22 24 32 48 64 128 256; do
    echo "$p/share/icons/hicolor/${size}x${size}/apps/$id.png"
  done
  echo $p/share/icons/hicolor/scalable/apps/$id.svg
  echo $p/share/man/man1/launcher.1.gz
  echo $p/share/metainfo/$id.metainfo.xml
} | LC_ALL=C sort >"$stage/expected"
diff -u "$stage/expected" "$stage/installed" >&2 || fail "installed files differ from the expected list"
root=$stage/root$prefix

# Each PNG has the size of the folder it is in (a theme trusts the folder).
for png in "$root"/share/icons/hicolor/*x*/apps/$id.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  file "$png" | grep -q "PNG image data, ${size%x*} x ${size#*x}, 8-bit/color RGBA" || fail "$png is not a ${size} RGBA PNG"
done

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop entry rejected"
grep -qx "Icon=$id" "$root/share/applications/$id.desktop" || fail "desktop entry names another icon"
grep -qx "Exec=launcher" "$root/share/applications/$id.desktop" || fail "desktop entry runs something else"

appstreamcli validate --no-net --pedantic "$root/share/metainfo/$id.metainfo.xml" >"$stage/appstream" 2>&1 \
  || { cat "$stage/appstream" >&2; fail "metainfo rejected"; }
version=$(sed -n 's/^project(launcher VERSION \([0-9.]*\).*/\1/p' "$source/CMakeLists.txt")
grep -q "<release version=\"$version\" date=\"[0-9-]*\"" "$root/share/metainfo/$id.metainfo.xml" \
  || fail "metainfo lacks the release $version"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$root/share/metainfo/$id.metainfo.xml" \
  || fail "metainfo launches another entry"

# The manual page names every switch and the files the program writes.
gzip -t "$root/share/man/man1/launcher.1.gz" || fail "manual page is not gzip"
page=$(gzip -dc "$root/share/man/man1/launcher.1.gz")
for word in '\-\-version' '\-\-self\-test\-forced' '\-\-while' status dashboard PELVANE_TEST_MODE state.json prefs.json history.jsonl "launcher $version" \
  "$prefix/libexec/launcher/launcher-keepawake"; do
  printf '%s' "$page" | grep -qF -- "$word" || fail "manual page lacks $word"
done

# Nothing installed may still point into the build tree.
for program in "$root/bin/launcher" "$root/libexec/launcher/launcher-keepawake"; do
  readelf -d "$program" | grep -E 'RPATH|RUNPATH' | grep -qF "$build" && fail "$program looks for libraries in the build tree"
done

# The installed program finds the installed helper: no build folder near it.
"$source/tests/app/run-selftest.sh" "$root/bin/launcher" >/dev/null || fail "installed program's self-test"

[ "$failed" -eq 0 ] && echo "install tree OK"
exit "$failed"
