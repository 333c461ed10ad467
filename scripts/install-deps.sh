#!/usr/bin/env bash
# Installs the Debian packages Folian needs to build, test and run, when missing.
set -euo pipefail
# qt6-translations-l10n: Qt's own dialog texts in Japanese, like the rest of Folian.
# qt6-l10n-tools, qt6-tools-dev: lrelease and its CMake functions, which build the English translation.
# xvfb openbox xdotool imagemagick x11-utils xclip: the end-to-end tests run the program on a
# private X display with a window manager, send it real input and read the screen back.
# dbus-daemon: the window tests talk to a stand-in file manager on a private session bus.
packages=(cmake ninja-build g++ qt6-base-dev libsqlite3-dev qpdf mupdf-tools poppler-utils libmupdf-dev libopenjp2-7-dev libjbig2dec0-dev libgumbo-dev libmujs-dev libjpeg-dev libharfbuzz-dev libgtest-dev fonts-noto-cjk qt6-translations-l10n qt6-l10n-tools qt6-tools-dev
          xvfb openbox xdotool imagemagick x11-utils xclip dbus-daemon)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
