#!/bin/sh
# Installs what is missing and builds; then, with a display, starts a simulated fleet of five encoders
# on 127.0.0.1 to 127.0.0.5 (the encoders' own ports, 9999 and 8888), each streaming to 127.0.0.1 on
# ports 5000 to 5004, and opens the desktop manager beside it, stopping the fleet when the window
# closes. Without a display it says so and shows one simulated encoder's configuration and what
# `kestrinectl probe` finds in its stream instead. Give an address to show a real encoder's configuration.
# Only the configuration goes to standard output; the rest goes to standard error.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2
scripts/build.sh >&2

address="${1:-}"
window=
if [ -z "$address" ]; then
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    window=1
  else
    echo "no display (DISPLAY is not set): showing a simulated encoder's configuration instead of opening kestrine" >&2
  fi
fi

if [ -z "$address" ]; then
  address=127.0.0.1
  if [ -n "$window" ]; then
    build/sim/kestrine-encoder-sim --bind "$address" --count 5 --streaming >&2 &
  else
    build/sim/kestrine-encoder-sim --bind "$address" --no-discovery --streaming >&2 &
  fi
  sim=$!
  # Wait for it too, so the ports are free again when this script returns.
  trap 'kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null; true' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  # Wait until the simulated encoders listen, at most about five seconds; give up at once if the
  # simulator exits (a port may be taken by something else).
  tries=0
  until build/cli/kestrinectl --exchange-delay 0 messages "$address" >/dev/null 2>&1; do
    kill -0 "$sim" 2>/dev/null || { echo "the simulated encoders could not start" >&2; exit 1; }
    tries=$((tries + 1))
    [ "$tries" -ge 50 ] && { echo "the simulated encoders did not start" >&2; exit 1; }
    sleep 0.1
  done
fi

if [ -n "$window" ]; then
  # The search dialog proposes this host's first address with 255 as last byte; only a loopback one
  # keeps the search on this machine.
  own=$(getent ahostsv4 "$(hostname)" 2>/dev/null | awk 'NR == 1 { print $1 }')
  case "$own" in
    127.*) proposal="it proposes ${own%.*}.255 here: click OK" ;;
    *) proposal="type 127.0.0.255 as the broadcast address (it proposes ${own:-nothing} here)" ;;
  esac
  echo "kestrine: five simulated encoders on 127.0.0.1-127.0.0.5; right-click the device list, \"Search Encoder\", $proposal. Close the window to stop them." >&2
  echo "Their streams: udp://127.0.0.1:5000 to :5004 (ffplay udp://127.0.0.1:5000; build/cli/kestrinectl probe 127.0.0.1)." >&2
  build/app/kestrine
  exit 0
fi
build/cli/kestrinectl show "$address"
if [ -z "${1:-}" ]; then
  build/cli/kestrinectl --exchange-delay 0 probe "$address" --duration 2000 >&2 || true
fi
