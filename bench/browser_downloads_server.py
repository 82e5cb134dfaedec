#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Serves the downloads of bench/browser_downloads.sh on 127.0.0.1.

  /short.bin, /same.bin   100 KB at once
  /long.bin               20 MB trickled over about 20 s
  /cut.bin?close=S,       1 MB of a declared 20 MB, then nothing; the
  /stall.bin?close=S      connection is closed after S seconds (never if
                          S is 0 or missing)
  /driver?at=NAME:MS,...  a page that starts each download NAME after MS ms

Every download is sent as an attachment with its Content-Length. The chosen
port is written to the file given as the only argument; one line per request
and per finished or broken transfer goes to stdout.
"""

import json
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlparse

KB = 1024
MB = 1024 * KB
SIZES = {"short.bin": 100 * KB, "same.bin": 100 * KB, "long.bin": 20 * MB, "cut.bin": 20 * MB,
         "stall.bin": 20 * MB}
LONG_SECONDS = 20.0
STALL_SENT = 1 * MB
CHUNK = 64 * KB

log_lock = threading.Lock()


def log(text):
    with log_lock:
        print(f"{time.time():.3f} {text}", flush=True)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        url = urlparse(self.path)
        query = parse_qs(url.query)
        name = url.path.lstrip("/")
        log(f"GET {self.path}")
        if name == "driver":
            self.send_driver(query.get("at", [""])[0])
        elif name in SIZES:
            self.send_download(name, query)
        else:
            self.send_error(404)

    def send_driver(self, plan):
        # Each download gets an iframe of its own, so that one page starts
        # them all at the chosen moments without navigating away.
        steps = []
        for item in filter(None, plan.split(",")):
            path, _, delay = item.partition(":")
            steps.append(f"setTimeout(() => start({json.dumps('/' + path)}), {int(delay)});")
        body = (
            "<!doctype html><title>downloads</title><script>\n"
            "function start(path) {\n"
            "  const frame = document.createElement('iframe');\n"
            "  frame.src = path;\n"
            "  document.body.appendChild(frame);\n"
            "}\n"
            "window.onload = () => {\n" + "\n".join(steps) + "\n};\n"
            "</script><body></body>"
        ).encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)

    def send_download(self, name, query):
        size = SIZES[name]
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Disposition", f'attachment; filename="{name}"')
        self.send_header("Content-Length", str(size))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        chunk = os.urandom(CHUNK)
        try:
            if name == "long.bin":
                start = time.monotonic()
                for index in range(size // CHUNK):
                    self.wfile.write(chunk)
                    self.wfile.flush()
                    due = start + LONG_SECONDS * (index + 1) * CHUNK / size
                    time.sleep(max(0.0, due - time.monotonic()))
            elif name in ("cut.bin", "stall.bin"):
                for _ in range(STALL_SENT // CHUNK):
                    self.wfile.write(chunk)
                self.wfile.flush()
                log(f"STALL {name} after {STALL_SENT} bytes")
                self.stall(float(query.get("close", ["0"])[0]))
                log(f"CLOSE {name}: the server ends the connection")
                self.close_connection = True
                return
            else:
                self.wfile.write((chunk * (size // CHUNK + 1))[:size])
                self.wfile.flush()
            log(f"SENT {name} {size} bytes")
        except (BrokenPipeError, ConnectionResetError):
            log(f"BROKEN {name}: the browser ended the connection")
            self.close_connection = True

    def stall(self, seconds):
        # Waits for the deadline, or for the browser to go away: a readable
        # socket with nothing to read is a closed one.
        import select

        deadline = time.monotonic() + seconds if seconds > 0 else None
        while deadline is None or time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable and not self.connection.recv(1, 0x40):  # MSG_DONTWAIT
                raise ConnectionResetError


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    with open(sys.argv[1] + ".tmp", "w") as port_file:
        port_file.write(str(server.server_address[1]))
    os.rename(sys.argv[1] + ".tmp", sys.argv[1])
    server.serve_forever()


if __name__ == "__main__":
    main()
