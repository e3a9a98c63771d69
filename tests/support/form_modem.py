#!/usr/bin/env python3
"""A modem behind a form login, on 127.0.0.1, for the login tests.

GET /login.html gives a page with a fresh token (and a cookie of its own);
POST /goform/login takes user, password and that token (a form, or JSON with
the password hashed as sha256(password + token)), and answers with a session
cookie and a redirect to the status page; the status page answers five
times per session, then sends the client back to the login page. Every
request is logged as a JSON line: method, path, whether the password (or
the session's cookie value) was anywhere in it, and the cookies it carried.
  form_modem.py PORT LOG [--json] [--away PORT]
"""
import hashlib, http.server, json, secrets, sys, urllib.parse

port, log_path = int(sys.argv[1]), sys.argv[2]
json_login = "--json" in sys.argv
away = int(sys.argv[sys.argv.index("--away") + 1]) if "--away" in sys.argv else None
USER, PASSWORD, USES = "admin", "s3cret!&", 5
tokens, sessions = set(), {}


class Modem(http.server.BaseHTTPRequestHandler):
    def note(self, body=b""):
        raw = str(self.headers).encode() + self.path.encode() + body
        cookies = dict(c.strip().split("=", 1) for c in self.headers.get("Cookie", "").split(";") if "=" in c)
        with open(log_path, "a") as log:
            log.write(json.dumps({"method": self.command, "path": self.path.split("?")[0],
                                  "password": PASSWORD.encode() in raw or urllib.parse.quote(PASSWORD).encode() in raw,
                                  "cookies": sorted(cookies)}) + "\n")
        return cookies

    def answer(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        cookies = self.note()
        path = self.path.split("?")[0]
        if path == "/login.html":
            token = secrets.token_hex(8)
            tokens.add(token)
            page = '<form id="login-form"><input name="csrf" value="%s"></form>' % token
            if json_login:
                page = json.dumps({"token": token})
            return self.answer(200, page.encode(), [("Set-Cookie", "pre=%s; Path=/" % secrets.token_hex(4))])
        if path == "/status.json":
            sid = cookies.get("SID")
            if sid not in sessions or sessions[sid] >= USES:
                sessions.pop(sid, None)
                return self.answer(302, b"", [("Location", "/login.html")])
            sessions[sid] += 1
            return self.answer(200, b'{"signal":{"snr":12.5}}', [("Content-Type", "application/json")])
        self.answer(404, b"no such page")

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.note(body)
        if json_login:
            given = json.loads(body)
            user, token = given.get("u"), given.get("t")
            good = token in tokens and given.get("p") == hashlib.sha256((PASSWORD + token).encode()).hexdigest()
        else:
            form = urllib.parse.parse_qs(body.decode())
            user, token = form.get("username", [""])[0], form.get("csrf", [""])[0]
            good = token in tokens and form.get("password", [""])[0] == PASSWORD
        tokens.discard(token)
        if user != USER or not good:
            return self.answer(401, b"<p>Login failed: wrong user name or password</p>")
        sid = secrets.token_hex(16)
        sessions[sid] = 0
        where = "http://127.0.0.1:%d/status.json" % away if away else "/status.json"
        self.answer(302, b"", [("Set-Cookie", "SID=%s; Path=/; HttpOnly" % sid), ("Location", where)])

    def log_message(self, *args):
        pass


http.server.HTTPServer(("127.0.0.1", port), Modem).serve_forever()
