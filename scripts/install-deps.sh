#!/bin/sh
# Installs the Debian packages the build and the tests need, only those missing;
# packages named as arguments are added to the list (scripts/ci-hardening.sh: clang).
# prometheus (19 MB; it ships promtool) and ansible-core (1.3 MB and Python modules) run the
# exporter's end-to-end tests and the examples; the tests themselves use free loopback ports.
# Runs apt-get as root directly, or through sudo for an ordinary user.
set -eu

packages="g++ cmake ninja-build pkg-config qt6-base-dev qt6-base-private-dev libtinyxml-dev libcli11-dev \
libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libxml2-utils fonts-dejavu-core libdvbpsi-dev ffmpeg \
prometheus-cpp-dev libcivetweb-dev prometheus ansible-core $*"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  run=""
elif command -v sudo >/dev/null 2>&1; then
  run="sudo"
else
  echo "These packages are missing and there is no sudo to install them:$missing" >&2
  exit 1
fi
echo "Installing:$missing"
$run apt-get update -q
# Through env: sudo drops the caller's environment, and debconf would then try to ask on the terminal.
$run env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
