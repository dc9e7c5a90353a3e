#!/usr/bin/env bash
# Compiles every source that the macOS build compiles, as macOS compiles it,
# without a Mac: clang with libc++, __APPLE__ and not __linux__, GNUstep's
# headers standing in for AppKit and Foundation, and the few Apple calls
# GNUstep lacks declared in appledecls/. Syntax only: nothing is linked.
#
#   check-macos-sources.sh SOURCE_DIR BUILD_DIR QT_INCLUDE_DIRS(colon-separated) [FILE...]
#
# Named files (relative to SOURCE_DIR) are checked instead of all of them.
#
# Exits 77 (skipped) where the toolchain is missing.
set -uo pipefail
source_dir=$1 build_dir=$2 qt_dirs=$3
shift 3
decls="$source_dir/tests/platform/macos/appledecls"

skip() { echo "SKIP: $*"; exit 77; }
compiler=""
for c in clang++-14 clang++; do command -v "$c" >/dev/null && { compiler=$c; break; }; done
[ -n "$compiler" ] || skip "no clang++ (scripts/deps installs clang-14)"
echo '#include <vector>' | "$compiler" -x c++ -std=c++20 -stdlib=libc++ -fsyntax-only - 2>/dev/null \
    || skip "clang++ has no libc++ headers (scripts/deps installs libc++-14-dev and libc++abi-14-dev)"
gnustep=/usr/include/GNUstep
[ -f "$gnustep/AppKit/AppKit.h" ] && [ -f "$gnustep/Foundation/Foundation.h" ] \
    || skip "no GNUstep headers (scripts/deps installs libgnustep-base-dev and libgnustep-gui-dev)"
# GNUstep builds against GCC's Objective-C runtime headers.
objc_dir=$(dirname "$(dirname "$(gcc -print-file-name=include/objc/objc.h 2>/dev/null)")")
[ -f "$objc_dir/objc/objc.h" ] || skip "no Objective-C runtime headers (objc/objc.h)"

common=(-std=c++20 -stdlib=libc++ -fPIC
    -D__APPLE__ -D__MACH__ -U__linux__ -U__linux -Ulinux -U__gnu_linux__ -U__unix__
    -include "$decls/AsMacOS.h" -isystem "$decls"
    -I"$source_dir/src" -I"$source_dir/tests"
    -Wall -Wextra -Wno-unused-command-line-argument
    -Werror=objc-method-access -Werror=implicit-function-declaration
    # What the build defines for the program's libraries and its tests.
    -DQT_CORE_LIB -DQT_GUI_LIB -DQT_WIDGETS_LIB -DQT_NETWORK_LIB -DQT_SVG_LIB -DQT_TESTLIB_LIB
    -DLAUNCHER_HAVE_ICU "-DLAUNCHER_BIN_DIR=\"$build_dir/bin\"" "-DLAUNCHER_SOURCE_DIR=\"$source_dir\""
    "-DLAUNCHER_VERSION=\"${LAUNCHER_VERSION:-0}\"")
IFS=: read -r -a qt <<<"$qt_dirs"
declare -A seen=()
for d in "${qt[@]}"; do
    # The system's own folders stay behind libc++'s, as in any build.
    case $d in "" | /usr/include | /usr/local/include) continue ;; esac
    [ -n "${seen[$d]:-}" ] || common+=(-isystem "$d")
    seen[$d]=1
done
# Generated moc files that sources include by name.
while IFS= read -r d; do common+=(-I"$d"); done < <(find "$build_dir" -type d -path '*_autogen/include' 2>/dev/null)
objc=(-x objective-c++ -fobjc-runtime=gcc -fobjc-exceptions -fblocks
    -DGNUSTEP -DGNUSTEP_BASE_LIBRARY=1 -DGNU_GUI_LIBRARY=1 -DGNU_RUNTIME=1
    -isystem "$gnustep" -idirafter "$objc_dir"
    # GNUstep splits option sets that Apple declares as one enumeration.
    -Wno-deprecated-anon-enum-enum-conversion)

cd "$source_dir"
# What the macOS build compiles: everything but the Linux adapters, the Linux
# keep-awake helper, the Wayland input tool and the tests that need an X server
# or a session bus.
mapfile -t mm < <(find src -name '*.mm' | sort)
mapfile -t cpp < <(find src tests bench -name '*.cpp' | grep -vE '^src/platform/linux/|^tests/platform/linux/|^tests/tools/wl-|_(x11|dbus)\.cpp$' | sort)
if [ $# -gt 0 ]; then
    mm=() cpp=()
    for f in "$@"; do
        case $f in *.mm) mm+=("$f") ;; *) cpp+=("$f") ;; esac
    done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Flags go through response files, one quoted argument a line.
quote() {
    for a in "$@"; do
        a=${a//\\/\\\\}
        printf '"%s"\n' "${a//\"/\\\"}"
    done
}
quote -x c++ -fsyntax-only "${common[@]}" >"$work/cpp.rsp"
quote -fsyntax-only "${common[@]}" "${objc[@]}" >"$work/mm.rsp"

export compiler work
# One output file per job, so parallel jobs do not mix their messages.
compile() {
    local out="$work/$(echo "$2" | tr / _).log"
    "$compiler" @"$work/$1.rsp" "$2" >"$out" 2>&1 || echo "$2" >>"$out.failed"
}
export -f compile

start=$SECONDS
{ for f in "${mm[@]}"; do printf 'mm\0%s\0' "$f"; done; for f in "${cpp[@]}"; do printf 'cpp\0%s\0' "$f"; done; } | xargs -0 -n2 -P2 bash -c 'compile "$0" "$1"'
failed=0
for f in "${mm[@]}" "${cpp[@]}"; do
    out="$work/$(echo "$f" | tr / _).log"
    if [ -f "$out.failed" ]; then
        failed=$((failed + 1))
        echo "== $f"
        cat "$out"
    elif grep -qE "^(src|tests|bench)/[^:]*:[0-9]+:[0-9]+: warning" "$out"; then
        # Warnings do not fail the build there either, but they are shown.
        echo "== $f (warnings)"
        cat "$out"
    fi
done
echo "checked ${#mm[@]} Objective-C++ and ${#cpp[@]} C++ files in $((SECONDS - start)) s; $failed failed"
[ "$failed" -eq 0 ]
