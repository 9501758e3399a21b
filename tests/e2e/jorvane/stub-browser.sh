#!/bin/sh
# Stands in for Chromium when the tests start the real program: writes the address the program
# opens its window at to $JV_E2E_URL_FILE, then waits until the program ends it. The test opens
# that address in its own headless browser.
page=""
for argument in "$@"; do
  case "$argument" in
    --app=file://*) page="${argument#--app=file://}" ;;
  esac
done
[ -n "$page" ] || exit 2
url=$(sed -n 's/.*url=\([^"]*\)".*/\1/p' "$page" | sed 's/&amp;/\&/g')
printf '%s\n' "$url" > "$JV_E2E_URL_FILE.tmp" && mv "$JV_E2E_URL_FILE.tmp" "$JV_E2E_URL_FILE"
exec sleep 1000000
