#!/usr/bin/python3
"""Holds N connections to HOST:PORT that never ask for anything, opening a
new one for each the server closes, until killed. Prints "held N" once all
are open.

    idle_connections.py HOST PORT N
"""
import socket
import sys
import time


def connect(host, port):
    s = socket.create_connection((host, port), timeout=2)
    s.setblocking(False)
    return s


def main():
    host, port, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    held = [connect(host, port) for _ in range(count)]
    print(f"held {count}", flush=True)
    while True:
        time.sleep(0.5)
        for i, s in enumerate(held):
            try:
                if s.recv(1, socket.MSG_PEEK) == b"":
                    raise ConnectionError
            except BlockingIOError:
                continue
            except OSError:
                pass
            s.close()
            held[i] = connect(host, port)


main()
