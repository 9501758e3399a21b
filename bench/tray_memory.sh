#!/usr/bin/env bash
# The companion's resident memory on a desktop of its own (a private session bus with stand-ins for
# the notification area and the notification server): after start-up, after the first check found
# an overdue service and showed the icon and the notification, after the reminders window was
# opened and closed again (through a stub browser), and an hour of idle waiting later in wall time
# scaled down to the given seconds. Prints a table of VmRSS and VmHWM in MB.
#
#   bench/tray_memory.sh <jvsystemtray> <jv_desktop_stub> <blank database> [idle seconds]
set -euo pipefail
if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" || -z "${JV_TRAY_BENCH_INNER:-}" ]]; then
  JV_TRAY_BENCH_INNER=1 exec dbus-run-session -- "$0" "$@" 2>/dev/null
fi
tray=$1 stub=$2 blank=$3 idle=${4:-10}
home=$(mktemp -d)
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; rm -rf "$home"; }
trap cleanup EXIT
mkdir -p "$home"/{local,common,config,runtime,stubs} "$home/documents/Jorvane"
chmod 700 "$home/runtime"
export JV_LOCAL_APPDATA=$home/local JV_COMMON_APPDATA=$home/common JV_DOCUMENTS=$home/documents
export JV_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime JV_TRAY_FIRST_CHECK_SECONDS=0
db=$home/documents/Jorvane/user.data
cp "$blank" "$db"
sqlite3 "$db" "
  INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', 'Family car', 'N');
  INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom)
    VALUES ('11111111-1111-1111-1111-111111111111', 'Family car', 2019, 1, 0, -1);
  INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE,
    INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip) VALUES (1, 'Oil', 'Change', 0, 0, 3000, 3, 0);
  INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
    VALUES ('11111111-1111-1111-1111-111111111111', julianday('now', '-200 days') - 2415018.5, 1000);
  INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue)
    VALUES ('11111111-1111-1111-1111-111111111111', julianday('now', '-10 days') - 2415018.5, 5000);"
# The browser stand-in keeps its process id when it becomes "sleep", so closing the window is
# killing that id.
printf '#!/bin/sh\necho $$ > "%s/browser"\nexec sleep 600\n' "$home" > "$home/stubs/browser"
chmod +x "$home/stubs/browser"
export JV_BROWSER=$home/stubs/browser

"$stub" watcher > "$home/watcher" & pids+=($!)
"$stub" notifications > "$home/notifications" & pids+=($!)
for _ in $(seq 1 100); do grep -q READY "$home/watcher" && grep -q READY "$home/notifications" && break; sleep 0.05; done

"$tray" & tray_pid=$!
pids+=("$tray_pid")
memory() { awk -v what="$1" '/^VmRSS|^VmHWM/ { v[$1] = $2 } END { printf "| %-46s | %8.1f | %8.1f |\n", what, v["VmRSS:"] / 1024, v["VmHWM:"] / 1024 }' "/proc/$tray_pid/status"; }

echo "| companion state                                | RSS (MB) | peak (MB)|"
echo "|------------------------------------------------|----------|----------|"
sleep 0.2
for _ in $(seq 1 100); do grep -q REGISTERED "$home/watcher" && break; sleep 0.05; done
grep -q REGISTERED "$home/watcher" || { echo "the icon never registered" >&2; exit 1; }
sleep 1
memory "after the first check (icon and notification)"
service=$(awk '/^REGISTERED/ { print $2; exit }' "$home/watcher")
"$stub" menu "$service" "View Reminders" > /dev/null
for _ in $(seq 1 100); do [[ -f $home/browser ]] && break; sleep 0.05; done
sleep 1
memory "reminders window open (server running)"
# The user closes the window: the companion lets go of its server and page.
kill "$(cat "$home/browser")"
sleep 1
memory "window closed again"
sleep "$idle"
memory "idle ${idle} s later, between checks"
"$stub" menu "$service" "Exit" > /dev/null
wait "$tray_pid"
