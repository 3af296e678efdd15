#!/usr/bin/python3
# HTTP server for the update-check tests, on 127.0.0.1 and a free port (printed first):
# serves the files of the folder given as argument, plus paths that misbehave.
import sys
import time
from http.server import SimpleHTTPRequestHandler, ThreadingHTTPServer

ROOT = sys.argv[1]
HUGE_BYTES = 50 * 1024 * 1024


class Handler(SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def log_message(self, *args):
        pass

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        if self.path == "/hang":
            # Accepts the connection and never answers.
            time.sleep(600)
        elif self.path == "/trickle":
            # One byte a second of a list that would take minutes.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            try:
                for _ in range(100000):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(1)
            except OSError:
                pass
        elif self.path == "/huge":
            self.send_response(200)
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(HUGE_BYTES))
            self.end_headers()
            chunk = b"[Lumivista]\r\nVersion=9.9.9.9\r\n" + b";" * 65505 + b"\r\n"
            try:
                sent = 0
                while sent < HUGE_BYTES:
                    self.wfile.write(chunk)
                    sent += len(chunk)
            except OSError:
                pass
        elif self.path == "/huge-chunked":
            # No length announced: only counting the bytes received can stop it.
            self.protocol_version = "HTTP/1.1"
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.send_header("Connection", "close")
            self.end_headers()
            piece = b"x" * 65536
            try:
                for _ in range(HUGE_BYTES // len(piece)):
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
                self.wfile.write(b"0\r\n\r\n")
            except OSError:
                pass
        elif self.path == "/redirect-file":
            self.redirect("file:///etc/passwd")
        elif self.path == "/error":
            self.send_error(500, "Internal Server Error")
        else:
            super().do_GET()


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
