#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -n ${MIGWIZ_AS_USER:-} ]] || scripts/install-deps.sh
source scripts/as-user.sh
run_as_invoking_user "$(basename "$0")" "$@"
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)"
