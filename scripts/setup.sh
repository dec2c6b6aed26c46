#!/usr/bin/env bash
# Installs what building, running and testing EQSet needs on Debian 12.
# Idempotent: when every package is present it only checks and returns.
# Packages named as arguments are installed too (the release scripts' own).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format clang-14 libclang-rt-14-dev
  qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6sql6-sqlite
  qt6-qpa-plugins libgl-dev libqt6opengl6-dev libxkbcommon-dev
  libgtest-dev
  fonts-wqy-microhei
  socat python3-pymodbus python3-serial python3-serial-asyncio mbpoll
  xvfb xauth x11-apps imagemagick
  poppler-utils qt6-translations-l10n
  dpkg-dev lintian desktop-file-utils
  "$@"  # what a release script needs besides
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
