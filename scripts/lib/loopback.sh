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
