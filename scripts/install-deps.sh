#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and fuzzing Tavrick
# needs. Does nothing when all of them are present; safe to run any number of times.
set -euo pipefail

packages=(
  # build
  g++ cmake ninja-build make pkg-config ccache
  libsqlite3-dev sqlite3 libhidapi-dev zlib1g-dev
  libsdl2-dev libcairo2-dev libpango1.0-dev libfontconfig-dev
  libcurl4-openssl-dev libssl-dev libudev-dev libsystemd-dev
  librsvg2-bin fonts-open-sans
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libexpat1-dev libcpp-httplib-dev
  xvfb xauth imagemagick xdotool openssl zip unzip
  # fuzzing
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if [[ ${#missing[@]} -eq 0 ]]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
