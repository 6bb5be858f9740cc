# Sourced by the scripts that build: when run through sudo, the rest of the
# script runs as the user who called sudo, so that the build folder and
# everything else it leaves belong to that user, not to root. Packages are
# installed as root before this. A build folder that an earlier run as root
# left behind is handed back to that user.
run_as_invoking_user() {
  local script=$1
  shift
  if [[ $(id -u) -eq 0 && -n ${SUDO_USER:-} && $SUDO_USER != root && -z ${MIGWIZ_AS_USER:-} ]]; then
    local build_dir=${BUILD_DIR:-build}
    [[ -d $build_dir ]] && chown -R "$SUDO_USER": "$build_dir"
    if command -v sudo >/dev/null; then
      exec sudo -u "$SUDO_USER" --preserve-env=BUILD_DIR,TMPDIR,MIGWIZ_ANSI_CODEPAGE \
        env MIGWIZ_AS_USER=1 "$PWD/scripts/$script" "$@"
    fi
    exec runuser -u "$SUDO_USER" -- env MIGWIZ_AS_USER=1 "$PWD/scripts/$script" "$@"
  fi
}
