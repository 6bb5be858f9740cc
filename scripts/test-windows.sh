#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh) and runs the core's
# test programs under Wine, in a fresh WINEPREFIX in a temporary folder.
# Prints the time of each part; exits non-zero when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${WINDOWS_BUILD_DIR:-build-windows}
now() { date +%s%N; }
took() { local ms=$((($(now) - $1) / 1000000)); printf '%d.%d s' $((ms / 1000)) $((ms % 1000 / 100)); }

start=$(now)
scripts/build-windows.sh
echo "windows: build took $(took "$start")"

wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
[[ -x $wine ]] || { echo "test-windows: no wine64; run scripts/install-deps.sh" >&2; exit 1; }
prefix=$(mktemp -d "${TMPDIR:-/tmp}/migwiz-wine-XXXXXX")
cleanup() {
  WINEPREFIX=$prefix "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
start=$(now)
"$wine" wineboot --init >/dev/null 2>&1 || true
echo "windows: Wine prefix took $(took "$start")"

failed=0
passed=0
# Each program as a whole, from the tests' folder (the command's tests name
# their files by Linux paths, which Wine finds on drive Z:), two at a time.
run_one() {
  local name=$1 begin
  begin=$(now)
  if (cd "$build_dir/tests" && "$wine" "./$name.exe" --gtest_brief=1) >"$build_dir/tests/$name.log" 2>&1; then
    echo passed >"$build_dir/tests/$name.result"
  else
    echo FAILED >"$build_dir/tests/$name.result"
  fi
  took "$begin" >"$build_dir/tests/$name.time"
}
start=$(now)
mapfile -t programs < <(grep -v '^$' "$build_dir/windows-tests.txt")
for name in "${programs[@]}"; do
  while (($(jobs -rp | wc -l) >= ${MIGWIZ_JOBS:-$(nproc)})); do wait -n || true; done
  run_one "$name" &
done
wait
for name in "${programs[@]}"; do
  log=$build_dir/tests/$name.log
  result=$(cat "$build_dir/tests/$name.result")
  if [[ $result == passed ]]; then passed=$((passed + 1)); else failed=$((failed + 1)); cat "$log"; fi
  skipped=$(tr -d '\r' <"$log" | sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?\.$/\1/p'); skipped=${skipped:-0}
  echo "windows: $name $result ($(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$log" | head -1), $skipped skipped) in $(cat "$build_dir/tests/$name.time")"
done
echo "windows: the test programs under Wine took $(took "$start")"
echo "windows: test programs under Wine: $passed passed, $failed failed"

# The command itself on the bundled example, as a Windows user gives paths
# (Z: is Wine's drive for the Linux root), against the Linux build when
# LINUX_MIGWIZ names it: the same output and files, a byte-identical restore.
start=$(now)
exe=$PWD/$build_dir/apps/migwiz/migwiz.exe
work=$(mktemp -d "${TMPDIR:-/tmp}/migwiz-windows-XXXXXX")
trap 'cleanup; rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }
mkdir -p "$work/win" "$work/linux"
cp -r examples/Orders "$work/win/Orders"
cp -r examples/Orders "$work/linux/Orders"
check() { if "$@"; then passed=$((passed + 1)); else echo "windows: FAILED: $*" >&2; failed=$((failed + 1)); fi; }
"$wine" "$exe" replace --project "$(winpath "$work/win/Orders/Orders.dpr")" >"$work/win.out" 2>"$work/win.err" ||
  { echo "windows: FAILED: migwiz.exe replace" >&2; cat "$work/win.err" >&2; failed=$((failed + 1)); }
if [[ -n ${LINUX_MIGWIZ:-} ]]; then
  "$LINUX_MIGWIZ" replace --project "$work/linux/Orders/Orders.dpr" >"$work/linux.out" 2>"$work/linux.err"
  # Paths written as ROOT with "/", so that both runs read alike.
  portable() { sed -e "s#$(winpath "$work/$1" | sed 's#\\#\\\\#g')#ROOT#g" -e "s#$work/$1#ROOT#g" -e 's#\\#/#g' "$2"; }
  for f in out err; do
    check diff <(portable linux "$work/linux.$f") <(portable win "$work/win.$f")
  done
  check diff <(portable linux "$work/linux/Orders/Wiz_Report.txt") <(portable win "$work/win/Orders/Wiz_Report.txt")
  # The run's record names its files by absolute paths too.
  check diff <(portable linux "$work/linux/Orders/RBackup/RExpert.sum") <(portable win "$work/win/Orders/RBackup/RExpert.sum")
  check diff -r -x RExpert.reu -x RExpert.sum -x Wiz_Log.txt -x Wiz_Report.txt "$work/linux/Orders" "$work/win/Orders"
fi
"$wine" "$exe" restore -q "$(winpath "$work/win/Orders/RBackup/RExpert.reu")" ||
  { echo "windows: FAILED: migwiz.exe restore" >&2; failed=$((failed + 1)); }
check diff -r -x Wiz_Log.txt -x Wiz_Report.txt -x RBackup examples/Orders "$work/win/Orders"

# A project that names its unit in another letter case than the disk.
mkdir -p "$work/case"
printf 'program App;\r\nuses Main in '"'"'MAIN.PAS'"'"';\r\nbegin end.\r\n' >"$work/case/App.dpr"
printf 'unit Main;\r\ninterface\r\nuses DBTables;\r\nend.\r\n' >"$work/case/Main.pas"
"$wine" "$exe" replace -q --project "$(winpath "$work/case/App.dpr")" ||
  { echo "windows: FAILED: a unit named in another letter case" >&2; failed=$((failed + 1)); }
check grep -q TarnAccess "$work/case/Main.pas"
echo "windows: the command under Wine (replace, restore, letter case) took $(took "$start")"
# Test programs and checks of the command together.
echo "wine: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
