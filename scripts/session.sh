# Sourced: starts Xvfb on a free display and a persistent wineserver, and stops
# both again. Wine's helper processes inherit standard streams, so every
# background process here writes to files, never to a pipe.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

zk_session_start() {
  local logdir="$ZK_ROOT/build/logs"
  mkdir -p "$logdir"
  if [ -z "${ZK_KEEP_DISPLAY:-}" ]; then
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >"$logdir/xvfb.log" 2>&1 </dev/null &
    ZK_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  fi
  # The prefix with its font replacements (Chinese faces), made once; without
  # it Wine would create a bare prefix on first use.
  bash "$ZK_ROOT/scripts/wine-prefix.sh" >"$logdir/wine-prefix.log" 2>&1 </dev/null || true
  wineserver -p >"$logdir/wineserver.log" 2>&1 </dev/null &
  # Warm the prefix once so the first test does not pay for it.
  "$ZK_WINE" cmd /c exit >"$logdir/wine-warm.log" 2>&1 </dev/null || true
}

zk_session_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "${ZK_XVFB_PID:-}" ]; then
    kill "$ZK_XVFB_PID" >/dev/null 2>&1 || true
    wait "$ZK_XVFB_PID" 2>/dev/null || true
  fi
}
