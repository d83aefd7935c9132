#!/bin/sh
# Installs what is missing, builds, starts a simulated encoder on 127.0.0.1 and
# shows its configuration. Give an address to show a real encoder instead.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

address="${1:-}"
if [ -z "$address" ]; then
  address=127.0.0.1
  build/sim/kestrine-encoder-sim --bind "$address" --no-discovery &
  sim=$!
  trap 'kill "$sim" 2>/dev/null || true' EXIT INT TERM
  # Wait until the simulated encoder listens, at most about five seconds.
  tries=0
  until build/cli/kestrinectl --exchange-delay 0 messages "$address" >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -ge 50 ] && { echo "the simulated encoder did not start" >&2; exit 1; }
    sleep 0.1
  done
fi
build/cli/kestrinectl show "$address"
