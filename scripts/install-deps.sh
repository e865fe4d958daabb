#!/usr/bin/env bash
# Installs the Debian packages the project builds with, if any are missing.
set -euo pipefail
packages=(cmake ninja-build g++ clang libsqlite3-dev sqlite3 libicu-dev libgtest-dev libgmock-dev googletest
          libbenchmark-dev libcli11-dev nlohmann-json3-dev libclang-rt-14-dev pkg-config tzdata
          libphonenumber-dev libical-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
