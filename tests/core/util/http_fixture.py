"""A misbehaving HTTP server for download tests, on 127.0.0.1 with a free port.

Prints the port on its first line and serves until it is killed. Paths:
/ok (5 bytes), /huge (2 MiB, announced), /huge-unannounced (2 MiB, no length),
/slow (one byte every half second), /status/N (that status), /redirect-same,
/redirect-host (to "localhost"), /redirect-scheme (to https), /redirect-loop.
"""
import http.server
import sys
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def send_body(self, status, body, length=True):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        if length:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def redirect(self, location):
        self.send_response(302)
        self.send_header("Location", location)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def do_GET(self):
        port = self.server.server_address[1]
        path = self.path
        try:
            if path == "/ok":
                self.send_body(200, b"hello")
            elif path == "/huge":
                self.send_response(200)
                self.send_header("Content-Length", str(2 * 1024 * 1024))
                self.end_headers()
                for _ in range(32):
                    self.wfile.write(b"x" * 65536)
            elif path == "/huge-unannounced":
                self.send_response(200)
                self.end_headers()
                for _ in range(32):
                    self.wfile.write(b"x" * 65536)
            elif path == "/slow":
                self.send_response(200)
                self.send_header("Content-Length", "1000")
                self.end_headers()
                for _ in range(1000):
                    self.wfile.write(b"s")
                    self.wfile.flush()
                    time.sleep(0.5)
            elif path.startswith("/status/"):
                self.send_body(int(path[len("/status/"):]), b"status body")
            elif path == "/redirect-same":
                self.redirect("http://127.0.0.1:%d/ok" % port)
            elif path == "/redirect-relative":
                self.redirect("/ok")
            elif path == "/redirect-host":
                self.redirect("http://localhost:%d/ok" % port)
            elif path == "/redirect-scheme":
                self.redirect("https://127.0.0.1:%d/ok" % port)
            elif path == "/redirect-loop":
                self.redirect("/redirect-loop")
            else:
                self.send_body(404, b"not found")
        except (BrokenPipeError, ConnectionResetError):
            pass


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
