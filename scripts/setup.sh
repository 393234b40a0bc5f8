#!/usr/bin/env bash
# Installs what building and testing quarn needs on a Debian machine. Safe to run again:
# packages already present are skipped.
set -euo pipefail
packages=(build-essential cmake ninja-build ccache tcl8.6-dev zlib1g-dev libssl-dev
          googletest libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev
          gcc-powerpc64-linux-gnu gcc-powerpc64le-linux-gnu binutils-powerpc64-linux-gnu libc6-dev-ppc64-cross
          libc6-dev-ppc64el-cross)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
