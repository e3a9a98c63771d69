# Helpers for scripts that start servers of their own on loopback. Source it.

# Tries the command $1 every tenth of a second, up to $2 times.
wait_for() {
  local tries=$2
  while [ "$tries" -gt 0 ]; do
    eval "$1" && return 0
    sleep 0.1
    tries=$((tries - 1))
  done
  return 1
}

# A TCP port on 127.0.0.1 that nothing listens on now.
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# Exits 77 (skipped) unless every tool named is installed.
needs() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is missing"; exit 77; }
  done
}

# A folder $work for the test, removed at exit once every process in $pids
# is killed.
with_work() {
  work=$(mktemp -d)
  pids=()
  trap 'for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT
}
