#!/usr/bin/env bash
# Both window programs under xfwm4 inside Xvfb: states, placement and icon
# survive restarts as a user of that desktop expects (wm_states.bash).
#
# Usage: xfwm4.sh APP_DIR CLI_DIR   (CLI_DIR is not used)
set -euo pipefail

app_dir="${1:?usage: xfwm4.sh APP_DIR CLI_DIR}"
here="$(dirname "${BASH_SOURCE[0]}")"
# shellcheck source=xvfb.bash
source "$here/xvfb.bash"
# shellcheck source=wm.bash
source "$here/wm.bash"
# shellcheck source=wm_states.bash
source "$here/wm_states.bash"

check_window_manager xfwm4
