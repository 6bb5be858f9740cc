#!/usr/bin/env bash
# Installs what is missing, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build_dir=${BUILD_DIR:-build}
"$build_dir/apps/migwiz/migwiz" --version
"$build_dir/apps/migwiz/migwiz" --help
