#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -n ${MIGWIZ_AS_USER:-} ]] || scripts/install-deps.sh
source scripts/as-user.sh
run_as_invoking_user "$(basename "$0")" "$@"
start=$SECONDS
scripts/build.sh
echo "linux: build took $((SECONDS - start)) s"
export QT_QPA_PLATFORM=offscreen
start=$SECONDS
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)"
echo "linux: tests took $((SECONDS - start)) s"
# The Windows programs, built with MinGW-w64 and tested under Wine, and the
# command compared with the Linux build's.
start=$SECONDS
LINUX_MIGWIZ="$PWD/${BUILD_DIR:-build}/apps/migwiz/migwiz" scripts/test-windows.sh
echo "windows: all took $((SECONDS - start)) s"
