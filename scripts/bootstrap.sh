#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Rendax2023 needs.
# Idempotent: when everything is present it does nothing and says nothing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config
  # window layer
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # HTTP and mail
  libcurl4-openssl-dev
  # independent DBF/CDX readers used as test oracles
  python3 python3-dbf python3-dbfread libdbd-xbase-perl
  # archiver for backups
  7zip
  # headless display for the real window and screenshots
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
