#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when something is missing.
set -euo pipefail
packages=(cmake g++ make qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite qt6-translations-l10n
          # the on-screen keyboard of a touch screen without a keyboard, with the modules its panel loads
          qt6-virtualkeyboard-plugin qml6-module-qtqml-workerscript qml6-module-qt-labs-folderlistmodel
          qml6-module-qtquick-window qml6-module-qtquick-layouts
          libgl-dev libgtest-dev googletest libjpeg-dev xvfb xauth ccache fonts-dejavu-core
          libsqlite3-dev libcsv-dev libxcb1-dev poppler-utils libqt6sql6-psql postgresql
          sqlite3 time    # these two: the import benchmark measures the engine's own import beside ours
          libsystemd-dev systemd cage xwayland qt6-wayland kbd   # the kiosk session: heartbeat, unit check, compositor
          openbox xdotool x11-xkb-utils x11-utils wmctrl   # the kiosk test's desktop and the keys it presses
          qt6-image-formats-plugins libheif-dev   # pictures: TIFF and WebP, phone pictures in HEIC
          libexiv2-dev libheif-examples   # the day a photograph was taken; HEIC pictures made in the tests
          chromium)   # the published website's pages are checked in a real browser
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi
