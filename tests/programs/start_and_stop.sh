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
# A lock folder of this run's own: another run on the machine must not count as a running copy.
export XDG_RUNTIME_DIR=$home/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
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

# The switches that registered the program with the old desktop end it at once, touching nothing.
for switch in /Regserver -unregserver /EMBEDDING -Automation /Unregister; do
  timeout 10 "$jorvane" "$switch" </dev/null || fail "$switch ended with $?"
done
[[ ! -e $home/data ]] || fail "a registration switch wrote files: $(find "$home/data")"

# Without a display (and no browser chosen) the main program says so and ends, touching nothing.
set +e
env -u DISPLAY -u WAYLAND_DISPLAY -u JV_BROWSER timeout 60 "$jorvane" </dev/null 2>"$home/err"
status=$?
set -e
[[ $status == 1 ]] || fail "without a display jorvane ended with $status"
grep -q "cannot open a window" "$home/err" || fail "no message on standard error: $(cat "$home/err")"
[[ ! -e $home/Documents/Jorvane/user.data ]] || fail "the user database was made without a window"

# A browser that goes away at once: the program logs its start and its stop and ends.
cat > "$home/gone-browser" <<'STUB'
#!/bin/sh
exit 0
STUB
chmod +x "$home/gone-browser"
set +e
JV_BROWSER=$home/gone-browser timeout 60 "$jorvane" </dev/null 2>/dev/null
set -e
check_log "$home/data/Jorvane/Jorvane/JVtrace.log" "CJorvaneApp::InitInstance" "starting Jorvane client" "stopping Jorvane client"

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
set +e
JV_BROWSER=$home/gone-browser timeout 60 "$jorvane" </dev/null 2>/dev/null
set -e
[[ $(grep -c 'starting Jorvane client' "$home/data/Jorvane/Jorvane/JVtrace.log") == 2 ]] || fail "second run did not append"

# Ended by SIGTERM or SIGINT while its browser runs, the program waits for the browser to end (it
# writes its profile as it goes) before removing the private folder: nothing is left behind.
cat > "$home/slow-browser" <<'STUB'
#!/bin/sh
for a in "$@"; do case "$a" in --user-data-dir=*) profile="${a#--user-data-dir=}";; esac; done
trap 'sleep 0.3; mkdir -p "$profile"; echo x > "$profile/Local State"; exit 0' TERM INT
echo "$$" > "$profile.started"
while :; do sleep 0.05; done
STUB
chmod +x "$home/slow-browser"
for signal in TERM INT; do
  mkdir -p "$home/tmp-$signal"
  JV_BROWSER=$home/slow-browser TMPDIR=$home/tmp-$signal "$jorvane" </dev/null 2>/dev/null &
  pid=$!
  for _ in $(seq 1 100); do
    compgen -G "$home/tmp-$signal/jorvane-*/profile.started" >/dev/null && break
    sleep 0.1
  done
  compgen -G "$home/tmp-$signal/jorvane-*/profile.started" >/dev/null || fail "the browser was not started"
  kill -"$signal" "$pid"
  wait "$pid" || true
  sleep 0.6
  [[ -z $(ls -A "$home/tmp-$signal") ]] || fail "SIG$signal left $(find "$home/tmp-$signal")"
done
