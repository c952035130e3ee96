#!/usr/bin/env bash
# Installs the build into a fresh prefix, moves the prefix elsewhere, and
# builds a client there with pkg-config and with find_package(Korvel):
# every installed file must lie under the prefix, and the pkg-config file
# and the CMake package must find the library from where they are.
#   run.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/first" >"$work/install.log"
outside=$(sed -n 's/^-- \(Installing\|Up-to-date\): //p' "$work/install.log" | grep -v "^$work/first/" || true)
[ -z "$outside" ] || { echo "installed outside the prefix:" >&2; echo "$outside" >&2; exit 1; }
mv "$work/first" "$work/moved"
prefix=$work/moved
pcdir=$(dirname "$(find "$prefix" -name korvel.pc)")

PKG_CONFIG_PATH=$pcdir cc "$here/app.c" -o "$work/client-pc" $(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs korvel)
LD_LIBRARY_PATH=$(dirname "$(find "$prefix" -name 'libkorvel.so.1')") "$work/client-pc"

cmake -S "$here" -B "$work/client" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/client" >/dev/null
"$work/client/client"
echo "installed under the prefix; pkg-config and find_package(Korvel) work after moving it"
