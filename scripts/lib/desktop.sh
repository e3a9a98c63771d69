# Helpers for scripts that run the real Talvor against the modem simulator on
# loopback, on a virtual X display with a notification area (Xvfb and trayer)
# where they want one. Source it, set `build` to the build folder, and call
# desktop_cleanup on exit (desktop_trap does both).

source "$(dirname "${BASH_SOURCE[0]}")/loopback.sh"

desktop_pids=()
desktop_tmp=$(mktemp -d)

desktop_cleanup() {
  local pid
  for pid in "${desktop_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${desktop_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$desktop_tmp"
}

desktop_trap() { trap desktop_cleanup EXIT; }

# Starts Xvfb on a free display and exports DISPLAY.
desktop_start_xvfb() {
  local size=${1:-1024x768x24}
  Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset 3>"$desktop_tmp/display" 2>"$desktop_tmp/xvfb.log" &
  desktop_pids+=($!)
  wait_for '[ -s "$desktop_tmp/display" ]' 100 || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n 1 "$desktop_tmp/display")"
  unset WAYLAND_DISPLAY
  # The number can come before the server takes clients. (-noreset: a server
  # that resets when its last client leaves refuses the next one for a moment.)
  wait_for 'xdpyinfo >/dev/null 2>&1' 100 || { echo "Xvfb on $DISPLAY takes no clients" >&2; return 1; }
}

# Starts trayer, a notification area, at the right of the screen's top edge
# (or the edge $1).
desktop_start_trayer() {
  trayer --edge "${1:-top}" --align right --widthtype pixel --width 160 --heighttype pixel --height 32 \
         --iconspacing 4 --transparent false --tint 0x404040 --SetDockType false >/dev/null 2>&1 &
  desktop_pids+=($!)
  wait_for 'xdotool search --onlyvisible --class trayer >/dev/null 2>&1' 100 ||
    { echo "trayer did not start" >&2; return 1; }
}

# Starts the modem simulator on a free loopback port (or --port N); sets
# desktop_sim_port and desktop_sim_pid.
desktop_start_sim() {
  # The log exists before the simulator runs, so the wait below never reads a
  # file that is not there yet.
  : >"$desktop_tmp/sim.log"
  "$build/bin/modem-sim" --port 0 "$@" >>"$desktop_tmp/sim.log" 2>&1 &
  desktop_sim_pid=$!
  desktop_pids+=($desktop_sim_pid)
  wait_for 'grep -q "port [0-9]" "$desktop_tmp/sim.log"' 100 || { echo "modem simulator did not start" >&2; return 1; }
  desktop_sim_port=$(sed -n 's/.*port \([0-9][0-9]*\).*/\1/p' "$desktop_tmp/sim.log" | head -n 1)
}

# Writes a settings file into folder $1 that polls the simulator:
# $2 polling (1 or 0), $3 refresh in tenths, $4 chart rows, $5 always in the tray (1 or 0).
desktop_write_settings() {
  mkdir -p "$1"
  printf '%s,"%s","%s","50",0,"Signal Strength.............. ","http://127.0.0.1:%s/stats/summary/summary 1 .txt","Arial",#FALSE#,#FALSE#,15.75,-2147483641,49152,16777215,255,%s\r\n' \
    "$2" "$3" "$4" "$desktop_sim_port" "$5" >"$1/Talvor.ini"
}

# Points the settings in folder $1 at the simulator's port, changing nothing else.
desktop_point_settings_at_sim() {
  sed -i -E 's#"http://127\.0\.0\.1:[0-9]+/#"http://127.0.0.1:'"$desktop_sim_port"'/#' "$1/Talvor.ini"
}

# Starts talvor with folder $1; sets desktop_talvor_pid. Any further
# arguments are put before the program (for example `env VAR=1`).
desktop_start_talvor() {
  local home=$1
  shift
  TALVOR_HOME="$home" TALVOR_LOCK_DIR="$home" "$@" "$build/bin/talvor" >"$home/talvor.out" 2>&1 &
  desktop_talvor_pid=$!
  desktop_pids+=($desktop_talvor_pid)
}

# Prints the id of the visible top-level window of process $1 whose title
# matches $2, waiting up to $3 tenths of a second.
desktop_window_of() {
  local pid=$1 title=$2 tries=${3:-100} wid
  while [ "$tries" -gt 0 ]; do
    wid=$(xdotool search --all --onlyvisible --pid "$pid" --name "$title" 2>/dev/null | head -n 1)
    [ -n "$wid" ] && { echo "$wid"; return 0; }
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# Clicks the control named $2 (as talvor-control-centres names it) in window $1.
desktop_click_control() {
  local wid=$1 name=$2 x y
  # The layout is the same for every window of the run: lay it out once.
  [ -s "$desktop_tmp/centres" ] || "$build/bin/talvor-control-centres" >"$desktop_tmp/centres" 2>/dev/null
  read -r x y < <(sed -n "s/^$name //p" "$desktop_tmp/centres")
  [ -n "$x" ] || { echo "no position for $name" >&2; return 1; }
  xdotool mousemove --window "$wid" "$x" "$y" click 1
}

# Resident memory (kB) and CPU time (clock ticks) of process $1.
desktop_rss_kb() { sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\).*/\1/p' "/proc/$1/status"; }
desktop_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
