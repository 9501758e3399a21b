#!/usr/bin/env bash
# Both programs open their own trace log, read the configuration files and leave a start line and
# a stop line in the log format.
set -euo pipefail
jorvane=$1
tray=$2
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config JV_DOCUMENTS=$home/Documents
export JV_COMMON_APPDATA=$home/common
unset JV_LOCAL_APPDATA JV_CONFIG_HOME
mkdir -p "$home/common/Jorvane/Jorvane"
echo "<config><web url='127.0.0.1:9' protocol='http'/></config>" > "$home/common/Jorvane/Jorvane/configApp.xml"

fail() { echo "FAIL: $*" >&2; exit 1; }
stamp='[0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2} (AM|PM)'

check_log() {
  local log=$1 start_method=$2 start_text=$3 stop_text=$4
  [[ -f $log ]] || fail "no log at $log"
  grep -Eq "^$stamp  inf  $(printf '%-40.40s' "$start_method")  $start_text\$" "$log" || fail "no start line in $log: $(cat "$log")"
  tail -n 1 "$log" | grep -Eq "^$stamp  inf  .{40}  $stop_text\$" || fail "no stop line at the end of $log"
}

timeout 60 "$jorvane" </dev/null
check_log "$home/data/Jorvane/Jorvane/JVtrace.log" "CJorvaneApp::InitInstance" "starting Jorvane client" "stopping Jorvane client"
[[ -f $home/data/Jorvane/Jorvane/configUser.xml ]] || fail "configUser.xml was not written"

# The companion stays resident until the session ends (SIGTERM), then writes its stop line. It has
# no session bus here and shows nothing.
XDG_RUNTIME_DIR=$home/run DBUS_SESSION_BUS_ADDRESS= "$tray" </dev/null &
tray_pid=$!
for _ in $(seq 1 100); do
  grep -q 'starting JorvaneSystemTray' "$home/data/Jorvane/Jorvane/JVSTtrace.log" 2>/dev/null && break
  sleep 0.1
done
kill -TERM "$tray_pid"
wait "$tray_pid" || fail "the companion ended with $? on SIGTERM"
check_log "$home/data/Jorvane/Jorvane/JVSTtrace.log" "CMainFrame::OnCreate" "starting JorvaneSystemTray" "stopping JorvaneSystemTray"

# A second start appends behind the first run's lines.
timeout 60 "$jorvane" </dev/null
[[ $(grep -c 'starting Jorvane client' "$home/data/Jorvane/Jorvane/JVtrace.log") == 2 ]] || fail "second run did not append"
