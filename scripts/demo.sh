#!/bin/sh
# Installs what is missing, builds, starts a simulated encoder on 127.0.0.1 and
# shows its configuration. Give an address to show a real encoder instead.
# Only the configuration goes to standard output; the rest goes to standard error.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh >&2
scripts/build.sh >&2

address="${1:-}"
if [ -z "$address" ]; then
  address=127.0.0.1
  build/sim/kestrine-encoder-sim --bind "$address" --no-discovery >&2 &
  sim=$!
  # Wait for it too, so the port is free again when this script returns.
  trap 'kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null; true' EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  # Wait until the simulated encoder listens, at most about five seconds; give up at once if it exits
  # (the control port may be taken by something else).
  tries=0
  until build/cli/kestrinectl --exchange-delay 0 messages "$address" >/dev/null 2>&1; do
    kill -0 "$sim" 2>/dev/null || { echo "the simulated encoder could not start" >&2; exit 1; }
    tries=$((tries + 1))
    [ "$tries" -ge 50 ] && { echo "the simulated encoder did not start" >&2; exit 1; }
    sleep 0.1
  done
fi
build/cli/kestrinectl show "$address"
