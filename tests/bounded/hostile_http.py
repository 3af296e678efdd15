#!/usr/bin/python3
# An HTTP server for the bounded-resources tests of the update check. Listens on
# 127.0.0.1 and a free port, prints the port on the first line of standard output, and
# serves until killed:
#
#   /update.txt       a good update list
#   /endless          200 without Content-Length, a body that never ends (HTTP/1.0 style,
#                     ended only by closing the connection, which never happens)
#   /endless-chunked  200 with chunked transfer encoding and no last chunk, ever
#   /dribble          200 without Content-Length, one byte a second for ever
import ctypes
import signal
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

# Ends with the test process even when that one crashes, so no server outlives its test
# (and keeps the test's output open): PR_SET_PDEATHSIG.
ctypes.CDLL(None).prctl(1, signal.SIGTERM)

GOOD_LIST = b"[Lumivista]\r\nVersion=7.0.0.0\r\nDownload=https://x.example/dl\r\nInfo=a;b\r\n"
# The endless bodies look like a list, so only the size cap can stop them.
LIST_HEAD = b"[Lumivista]\r\nVersion=9.9.9.9\r\nInfo="
PIECE = b";" * 65536


class Handler(BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        try:
            if self.path == "/update.txt":
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Content-Length", str(len(GOOD_LIST)))
                self.end_headers()
                self.wfile.write(GOOD_LIST)
            elif self.path == "/endless":
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.end_headers()
                self.wfile.write(LIST_HEAD)
                while True:
                    self.wfile.write(PIECE)
            elif self.path == "/endless-chunked":
                self.protocol_version = "HTTP/1.1"
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.send_header("Transfer-Encoding", "chunked")
                self.end_headers()
                self.wfile.write(b"%x\r\n%s\r\n" % (len(LIST_HEAD), LIST_HEAD))
                while True:
                    self.wfile.write(b"%x\r\n%s\r\n" % (len(PIECE), PIECE))
            elif self.path == "/dribble":
                self.send_response(200)
                self.send_header("Content-Type", "text/plain")
                self.end_headers()
                for byte in LIST_HEAD + b";" * 100000:
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                    time.sleep(1)
            else:
                self.send_error(404)
        except OSError:
            # The client hung up, which is what these answers are meant to provoke.
            pass


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
