#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing;
# a script that needs more names them as arguments.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev libcanberra-dev libasound2-dev libgtest-dev libgmock-dev xvfb xdotool
  x11-apps imagemagick libcli11-dev nlohmann-json3-dev libudev-dev "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
