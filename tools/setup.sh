#!/usr/bin/env bash
# Shared by ./run and ./test: install the Debian packages that are missing,
# then configure and build in build/. Safe to run again and again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config qt6-base-dev libqcustomplot-dev libsqlite3-dev
          libxlsxwriter-dev libgtest-dev libgmock-dev libbenchmark-dev
          libpq-dev postgresql)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
launcher=()
# A compiler cache, when the machine has one, makes rebuilds after small changes quick.
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" > build.log 2>&1 || { cat build.log; exit 1; }
cmake --build build -j"$jobs" >> build.log 2>&1 || { tail -n 80 build.log; exit 1; }
echo "Build finished (log in build.log)."
