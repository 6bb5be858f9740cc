#!/usr/bin/env bash
# Cross-compiles migwiz.exe and the core's test programs for 64-bit Windows
# with Debian's MinGW-w64 into ./build-windows (or $WINDOWS_BUILD_DIR), checks
# that migwiz.exe needs no DLL beyond the system's, and makes the release
# archive build-windows/migwiz-VERSION-windows-x86_64.zip (the program, the
# README, the licence and the man page as text).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${WINDOWS_BUILD_DIR:-build-windows}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
# The command and the test programs only (the configure step lists them).
mapfile -t targets < <(grep -v '^$' "$build_dir/windows-tests.txt" 2>/dev/null || true)
cmake --build "$build_dir" --parallel "${MIGWIZ_JOBS:-$(nproc)}" --target migwiz "${targets[@]}"

exe=$build_dir/apps/migwiz/migwiz.exe
# Only DLLs that every Windows has.
system_dlls='^(kernel32|user32|shell32|advapi32|msvcrt|ws2_32|ole32|shlwapi|api-ms-win-.*)\.dll$'
file_format=$(x86_64-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')
[[ $file_format == pei-x86-64 ]] || { echo "build-windows: $exe is no 64-bit PE file ($file_format)" >&2; exit 1; }
dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
foreign=$(grep -viE "$system_dlls" <<<"$dlls" || true)
if [[ -n $foreign ]]; then
  echo "build-windows: $exe needs DLLs beyond the system's: $foreign" >&2
  exit 1
fi
echo "$exe: PE32+ for x86-64; DLLs: $(tr '\n' ' ' <<<"$dlls")"

version=$(sed -n 's/^project(MigWizard VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=migwiz-$version-windows-x86_64
stage=$build_dir/release/$name
rm -rf "$build_dir/release"
mkdir -p "$stage"
cp "$exe" "$stage/"
# Text files with the line breaks of the system they go to.
sed 's/$/\r/' README.md > "$stage/README.md"
sed 's/$/\r/' LICENSE > "$stage/LICENSE.txt"
MANWIDTH=80 groff -man -Tascii -P-cbou docs/migwiz.1 2>/dev/null | sed 's/$/\r/' > "$stage/migwiz.txt"
(cd "$build_dir/release" && cmake -E tar cf "../$name.zip" --format=zip "$name")
echo "release archive: $build_dir/$name.zip"
