#!/bin/sh
# kestrinectl.exe under Wine beside the Linux kestrinectl, each against a simulated
# encoder of its own started the same way (the Linux kestrine-encoder-sim on a loopback
# address, its ports picked by the system): the same commands must print the same bytes
# on standard output and standard error and end with the same status. The commands read,
# show (text and JSON), write with set, read the message ring, search on the loopback
# broadcast address and take a non-ASCII argument. Called by scripts/windows-check.sh,
# which builds both programs first; the outputs stay in build-windows/compare/.
#
#   scripts/windows-compare.sh [WINE]
set -eu
cd "$(dirname "$0")/.."
wine=${1:-$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)}
linux=build/cli/kestrinectl
windows=build-windows/build/cli/kestrinectl.exe
simulator=build/sim/kestrine-encoder-sim
address=127.0.21.1
out=build-windows/compare
for program in "$linux" "$windows" "$simulator"; do
  [ -x "$program" ] || [ -f "$program" ] || { echo "windows-compare: $program is missing" >&2; exit 1; }
done
rm -rf "$out"
mkdir -p "$out"
# Both sides read their arguments as UTF-8 (Wine converts them with the Unix locale).
export LC_ALL=C.UTF-8

sim=
stop_simulator() {
  if [ -n "$sim" ]; then
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    sim=
  fi
}
trap stop_simulator EXIT

start_simulator() {
  "$simulator" --bind "$address" --control-port 0 --discovery-port 0 >"$out/simulator-$1.txt" 2>&1 &
  sim=$!
  tries=0
  until grep -q '^answering discovery' "$out/simulator-$1.txt"; do
    kill -0 "$sim" 2>/dev/null || { cat "$out/simulator-$1.txt" >&2; exit 1; }
    tries=$((tries + 1))
    [ "$tries" -ge 100 ] && { echo "windows-compare: the simulator did not start" >&2; exit 1; }
    sleep 0.05
  done
  control=$(sed -n "s/^listening on $address:\([0-9]*\)$/\1/p" "$out/simulator-$1.txt")
  discovery=$(sed -n 's/^answering discovery on UDP 0.0.0.0:\([0-9]*\)$/\1/p' "$out/simulator-$1.txt")
}

# One command on one side: its standard output, standard error and status, each in a file.
case_number=0
run() {
  side=$1
  shift
  case_number=$((case_number + 1))
  name="$out/$side/$case_number"
  mkdir -p "$out/$side"
  printf '%s\n' "$*" >"$name.command"
  set +e
  if [ "$side" = windows ]; then
    "$wine" "$windows" --port "$control" --discovery-port "$discovery" --exchange-delay 20 "$@" \
      >"$name.out" 2>"$name.err" </dev/null
  else
    "$linux" --port "$control" --discovery-port "$discovery" --exchange-delay 20 "$@" >"$name.out" 2>"$name.err" </dev/null
  fi
  echo $? >"$name.status"
  set -e
}

session() {
  side=$1
  case_number=0
  start_simulator "$side"
  run "$side" show "$address"
  run "$side" --json show "$address" --show-passwords
  run "$side" read "$address"
  run "$side" messages "$address"
  run "$side" set "$address" --password UUUUUUUU multicast_port=1235 cvbs_hue=9 prg_provider_name=Studio
  run "$side" show "$address"
  run "$side" --json messages "$address"
  run "$side" discover 127.255.255.255 --window 800
  run "$side" --json discover 127.255.255.255 --window 800
  run "$side" set "$address" --password UUUUUUUU "编码器=1"
  run "$side" show "编码器"
  run "$side" start "$address"
  run "$side" stop "$address"
  stop_simulator
}

session linux
session windows

same=0
differ=0
for file in "$out"/linux/*.out "$out"/linux/*.err "$out"/linux/*.status; do
  other="$out/windows/${file#"$out"/linux/}"
  if cmp -s "$file" "$other"; then
    same=$((same + 1))
  else
    differ=$((differ + 1))
    echo "windows-compare: differs for: $(cat "${file%.*}.command") (${file##*.})" >&2
    diff "$file" "$other" | head -n 20 >&2 || true
  fi
done
bytes=$(cat "$out"/linux/*.out | wc -c)
echo "windows-compare: $case_number commands, $same of $((same + differ)) outputs byte for byte the same ($bytes bytes of standard output)"
[ "$differ" -eq 0 ]
