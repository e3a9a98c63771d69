#!/usr/bin/env python3
"""Watches Talvor's aim page in Debian's chromium, headless, through the
DevTools protocol (a small WebSocket client, no module beyond Python's own).

  aim_page.py URL READING_FILE VALUE...

For each VALUE in turn it writes the value into the file the modem simulator
reads at every request and measures how long the page's number takes to show
it. Prints `latency_ms=N` for each; exits 1 when a value is not shown within
five seconds or the page reported an error in its console. With
AIM_PAGE_SCREENSHOT=file.png it then saves the page as a phone held upright
shows it. With AIM_PAGE_READY and AIM_PAGE_GO (two paths) it then makes the
first file, waits for the second to appear (Talvor is stopped meanwhile) and
prints `old_ms=N`: how soon every part of the page was marked old."""
import base64, json, os, shutil, socket, struct, subprocess, sys, tempfile, time, urllib.request


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class DevTools:
    def __init__(self, ws_url):
        rest = ws_url.split("://", 1)[1]
        host, path = rest.split("/", 1)
        name, port = host.split(":")
        self.sock = socket.create_connection((name, int(port)))
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET /{path} HTTP/1.1\r\nHost: {host}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n\r\n").encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            reply += self.sock.recv(1)
        if b" 101 " not in reply.split(b"\r\n")[0]:
            raise RuntimeError(reply.decode(errors="replace"))
        self.next_id = 0
        self.events = []

    def _exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise RuntimeError("DevTools closed the connection")
            data += chunk
        return data

    def _send(self, text):
        payload = text.encode()
        mask = os.urandom(4)
        n = len(payload)
        head = bytes([0x81]) + (bytes([0x80 | n]) if n < 126 else
                                bytes([0x80 | 126]) + struct.pack(">H", n) if n < 65536 else
                                bytes([0x80 | 127]) + struct.pack(">Q", n))
        self.sock.sendall(head + mask + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def _receive(self):
        message = b""
        while True:
            first, second = self._exact(2)
            n = second & 0x7F
            if n == 126:
                n = struct.unpack(">H", self._exact(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", self._exact(8))[0]
            message += self._exact(n)
            if first & 0x80:
                return json.loads(message)

    def call(self, method, **params):
        self.next_id += 1
        self._send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = self._receive()
            if message.get("id") == self.next_id:
                return message.get("result", {})
            self.events.append(message)

    def errors(self):
        found = []
        for e in self.events:
            m, p = e.get("method"), e.get("params", {})
            if m == "Runtime.exceptionThrown":
                found.append(p["exceptionDetails"].get("text", "exception"))
            elif m == "Runtime.consoleAPICalled" and p.get("type") == "error":
                found.append(" ".join(str(a.get("value")) for a in p.get("args", [])))
            elif m == "Log.entryAdded" and p["entry"].get("level") == "error":
                found.append(p["entry"].get("text", ""))
        return found


def main():
    url, reading_file, values = sys.argv[1], sys.argv[2], sys.argv[3:]
    profile = tempfile.mkdtemp()
    port = free_port()
    browser = subprocess.Popen(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                f"--remote-debugging-port={port}", f"--user-data-dir={profile}", "about:blank"],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.time() + 20
        while True:
            try:
                pages = json.load(urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=1))
                page = next(p for p in pages if p.get("type") == "page")
                break
            except Exception:
                if time.time() > deadline:
                    print("chromium did not start"); return 1
                time.sleep(0.1)
        tools = DevTools(page["webSocketDebuggerUrl"])
        tools.call("Runtime.enable")
        tools.call("Log.enable")
        tools.call("Emulation.setDeviceMetricsOverride", width=390, height=844, deviceScaleFactor=2, mobile=True)
        tools.call("Page.navigate", url=url)
        shown = lambda: tools.call("Runtime.evaluate", expression='document.getElementById("n")?.textContent ?? ""',
                                   returnByValue=True).get("result", {}).get("value", "")
        failed = False
        for value in values:
            with open(reading_file, "w") as f:
                f.write(value)
            start = time.monotonic()
            while shown() != value:
                if time.monotonic() - start > 5:
                    print(f"the page showed {shown()!r}, not {value}, after 5 s"); failed = True; break
                time.sleep(0.005)
            else:
                print(f"latency_ms={(time.monotonic() - start) * 1000:.0f}")
        if os.environ.get("AIM_PAGE_SCREENSHOT"):
            with open(os.environ["AIM_PAGE_SCREENSHOT"], "wb") as f:
                f.write(base64.b64decode(tools.call("Page.captureScreenshot")["data"]))
        # What comes after Talvor stops is expected to fail to load.
        errors = tools.errors()
        if os.environ.get("AIM_PAGE_READY"):
            open(os.environ["AIM_PAGE_READY"], "w").close()
            while not os.path.exists(os.environ["AIM_PAGE_GO"]):
                time.sleep(0.01)
            start = time.monotonic()
            marked = 'document.body.classList.contains("old") && document.getElementById("st").textContent'
            while not (said := tools.call("Runtime.evaluate", expression=marked, returnByValue=True)
                       .get("result", {}).get("value")):
                if time.monotonic() - start > 5:
                    print("the page was not marked old within 5 s"); failed = True; break
                time.sleep(0.01)
            else:
                print(f"old_ms={(time.monotonic() - start) * 1000:.0f}")
        for error in errors:
            print(f"console error: {error}"); failed = True
        return 1 if failed else 0
    finally:
        browser.kill()
        browser.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
