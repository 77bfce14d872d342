#!/usr/bin/env bash
# Starts Quorvane; without a display it starts it on a virtual X display instead.
set -euo pipefail
exe="$1"
shift
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$exe" "$@"
fi
echo "No display found: starting Quorvane on a virtual X display (Xvfb)."
exec xvfb-run -a -s "-screen 0 1280x800x24" "$exe" "$@"
