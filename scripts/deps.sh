#!/usr/bin/env bash
# Installs the Debian packages Quillet needs to build (and, with --tests, to test).
# Does nothing when they are all present already.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-base-private-dev
          libcurl4-openssl-dev
          libgl-dev ca-certificates fonts-liberation2)
if [[ "${1:-}" == "--tests" ]]; then
    packages+=(python3 php-cli clang-format python3-aiosmtpd python3-pyftpdlib
               xvfb xauth trayer xdotool x11-utils imagemagick openbox
               clang libclang-rt-14-dev python3-openssl python3-cryptography
               appstream desktop-file-utils dpkg-dev file gzip lintian)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "run as root or install sudo" >&2; exit 1; }
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
