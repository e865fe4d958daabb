#!/usr/bin/env bash
# Installs a finished build into a temporary prefix and uses it as another
# project would: every installed header compiles with only the prefix on the
# include path, varnocsv and its manual page work from the prefix, and the
# consumer in examples/consumer, built against the prefix with CMake
# (find_package) and again with pkg-config, round-trips the example contacts.
# The prefix is then moved elsewhere and varnocsv must still run. Exits
# non-zero at the first failure.
#   BUILD_DIR  the build to install (default build/release, already built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cxx=${CXX:-c++}

fail() { echo "check-install: $*" >&2; exit 1; }
# Fails unless every library of the Varno family that $1 loads is in $2.
loads_from() {
  local found
  found=$(ldd "$1" | awk '/libVarno/ {print $3}')
  [[ -n $found ]] || fail "$1 loads no Varno library"
  while read -r lib; do
    [[ $lib == "$2"/* ]] || fail "$1 loads $lib, not the one in $2"
  done <<<"$found"
}

cmake --install "$build" --prefix "$prefix" >/dev/null
echo "installed into a temporary prefix:"
(cd "$prefix" && find . -path ./include -prune -o \( -type f -o -type l \) -print | sort | sed 's/^\.\//  /')
echo "  include/VarnoCSVMgr/: $(find "$prefix/include" -name '*.h' | wc -l) headers"

# Every installed header in one translation unit, outside the source tree,
# with the prefix as the only include folder of ours.
includes=$prefix/include/VarnoCSVMgr
# Every public header of the source tree is installed (private ones end in _p.h).
for header in $(find platform store engine converters manager host -maxdepth 1 -name '*.h' ! -name '*_p.h'); do
  [[ -f $includes/$header ]] || fail "the public header $header is not installed: add it to cmake/VarnoInstall.cmake"
done
(cd "$includes" && find . -name '*.h' | sort | sed 's|^\./\(.*\)|#include "\1"|') >"$work/all_headers.cpp"
"$cxx" -std=c++20 -Wall -Wextra -Werror -fsyntax-only -I"$includes" "$work/all_headers.cpp" ||
  fail "the installed headers do not compile on their own"

env -u LD_LIBRARY_PATH "$prefix/bin/varnocsv" --version
loads_from "$prefix/bin/varnocsv" "$prefix"
if command -v man >/dev/null; then
  MANPAGER=cat MANWIDTH=80 man -l "$prefix/share/man/man1/varnocsv.1" 2>/dev/null | grep -q '^NAME' ||
    fail "the manual page does not format"
fi

# The consumer with CMake, against the prefix.
cmake -S examples/consumer -B "$work/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build "$work/consumer" >/dev/null
if grep -oE -- '(-I|-isystem )[^ ]+' "$work/consumer/compile_commands.json" | grep -v -- "$prefix"; then
  fail "the consumer was compiled with include folders outside the prefix"
fi
loads_from "$work/consumer/contacts_roundtrip" "$prefix"
for file in examples/contacts.csv examples/contacts-utf16.txt; do
  "$work/consumer/contacts_roundtrip" "$file"
done

# The same program with pkg-config and no CMake.
PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name varnohost.pc)")
export PKG_CONFIG_PATH
# shellcheck disable=SC2046
"$cxx" -std=c++20 -Wall -Wextra -Werror -o "$work/roundtrip-pc" examples/consumer/contacts_roundtrip.cpp \
  $(pkg-config --cflags --libs varnohost) -Wl,-rpath,"$(pkg-config --variable=libdir varnohost)"
"$work/roundtrip-pc" examples/contacts.csv >/dev/null || fail "the pkg-config build does not round-trip"
echo "the pkg-config build round-trips examples/contacts.csv too"

# The installed binaries find their libraries relative to themselves.
mv "$prefix" "$work/moved"
"$work/moved/bin/varnocsv" --version >/dev/null || fail "varnocsv does not run from a moved prefix"
loads_from "$work/moved/bin/varnocsv" "$work/moved"
echo "varnocsv runs from the moved prefix"
