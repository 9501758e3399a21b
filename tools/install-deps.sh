#!/usr/bin/env bash
# Installs the Debian packages that building and testing Jorvane needs.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsqlite3-dev libxml2-dev libcurl4-openssl-dev libglib2.0-dev libsoup-3.0-dev
  libgumbo-dev nlohmann-json3-dev libgdk-pixbuf-2.0-dev librsvg2-common
  libgtest-dev libgmock-dev libbenchmark-dev
  sqlite3 xdg-utils
  dbus-daemon locales
)
if [[ "${JV_WITH_BROWSER:-1}" == 1 ]]; then
  # The end-to-end tests also run the program's own headed window on a virtual display and press
  # keys there as a keyboard does (xvfb, xdotool), and read printouts back as pixels (pdftoppm of
  # poppler-utils).
  packages+=(chromium xvfb xdotool xclip poppler-utils)
  command -v npm >/dev/null || packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The journeys type numbers and dates as users in Germany and the United States do.
wanted_locales=(de_DE.UTF-8 en_US.UTF-8)
have_locales=$(locale -a 2>/dev/null | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
missing_locales=()
for l in "${wanted_locales[@]}"; do
  key=$(echo "$l" | tr '[:upper:]' '[:lower:]' | sed 's/utf-8/utf8/')
  grep -qx "$key" <<<"$have_locales" || missing_locales+=("$l")
done
if ((${#missing_locales[@]})); then
  echo "Generating locales: ${missing_locales[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
  for l in "${missing_locales[@]}"; do
    "${sudo_cmd[@]}" sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  done
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
