# Shared by the end-to-end scripts: a private X server and cleaning up.
# Source it after `set -euo pipefail`; it defines
#   work         a fresh folder, removed at exit;
#   program_pid  the program under test, killed at exit if still running;
#   fail MESSAGE prints FAIL: MESSAGE and exits with status 1;
#   wait_exit SECONDS [WHAT] expects program_pid to end within SECONDS with
#                status 0 (WHAT names it in a failure);
# and starts Xvfb (1280 x 1024, 24 bits, or WENDRA_XVFB_SCREEN; 96 dots per inch, no window
# manager), exporting DISPLAY once the server accepts clients.

work="$(mktemp -d)"
xvfb_pid=""
program_pid=""

cleanup() {
  for pid in "$program_pid" "$xvfb_pid"; do
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  done
  chmod -R u+w "$work" 2>/dev/null || true  # a test may leave read-only files
  rm -rf -- "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

wait_exit() {
  local seconds="$1" what="${2:-program}" status=0
  for _ in $(seq $((seconds * 10))); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$program_pid" 2>/dev/null && fail "$what: still running $seconds s after the close"
  wait "$program_pid" || status=$?
  program_pid=""
  [[ "$status" -eq 0 ]] || fail "$what: exit status $status"
}

# Xvfb picks a free display itself and reports it once it accepts clients.
# -noreset: without a window manager the program is the only client, and a
# server that resets when it closes refuses the next start for a moment.
Xvfb -displayfd 3 -screen 0 "${WENDRA_XVFB_SCREEN:-1280x1024x24}" -dpi 96 -nolisten tcp -noreset \
  3>"$work/display" \
  </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb reported no display"
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"
