#!/usr/bin/env bash
# Installs what building, running, testing and releasing need on a Debian 12
# machine.
# Only missing packages are installed; safe to run again. Both Windows
# builds are served: 32-bit Wine (wine32:i386, which only machines that
# execute 32-bit programs can run) and 64-bit Wine (wine64).
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    libgtest-dev googletest libbenchmark-dev libasio-dev libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
    wine wine32:i386 wine64 fonts-wine fonts-nanum fonts-unfonts-core
    xvfb x11-utils xdotool imagemagick locales
    git zip unzip dpkg-dev help2man man-db
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The Korean user interface under Wine follows the process locale.
if ! locale -a 2>/dev/null | grep -qi '^ko_KR.utf8$'; then
    sed -i 's/^# *ko_KR.UTF-8 UTF-8/ko_KR.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ko_KR.UTF-8 UTF-8' /etc/locale.gen || echo 'ko_KR.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
fi
