#!/usr/bin/env bash
# Installs what is missing, builds, and converts a fresh copy of the bundled
# example project; shows the log and what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -n ${MIGWIZ_AS_USER:-} ]] || scripts/install-deps.sh
source scripts/as-user.sh
run_as_invoking_user "$(basename "$0")" "$@"
scripts/build.sh
build_dir=${BUILD_DIR:-build}
migwiz="$PWD/$build_dir/apps/migwiz/migwiz"

work=$(mktemp -d "${TMPDIR:-/tmp}/migwiz-demo-XXXXXX")
cp -r examples/Orders "$work/Orders"
echo "== migwiz replace --project $work/Orders/Orders.dpr"
"$migwiz" replace --project "$work/Orders/Orders.dpr"
echo
echo "== the log"
tr -d '\r' < "$work/Orders/Wiz_Log.txt" | grep -v '^$'
echo
echo "== the run report"
cat "$work/Orders/Wiz_Report.txt"
echo
echo "== what changed"
diff -ru --strip-trailing-cr -x RBackup -x Wiz_Log.txt -x Wiz_Report.txt -x Report.dfm examples/Orders "$work/Orders" || true
echo
echo "== the binary form Report.dfm, as text, after the run"
"$migwiz" form2text "$work/Orders/Report.dfm" | tr -d '\r'
echo
echo "The converted copy is in $work/Orders; 'migwiz restore $work/Orders/RBackup/RExpert.reu' undoes it."
