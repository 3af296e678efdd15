#!/usr/bin/python3
# An FTP peer that misbehaves on purpose, for the bounded-resources tests. Listens on
# 127.0.0.1 and a free port, prints the port on the first line of standard output, then
# serves connections until killed. The behaviour is chosen by the first argument:
#
#   long-greeting   "220 " followed by 10 MB without a line end, then silence
#   long-pwd        a normal login; the reply to PWD is one 10 MB line
#   long-multiline  a normal login; the reply to PWD is a multi-line reply whose inner
#                   line is 10 MB long
#   many-lines      a normal login; the reply to PWD is a multi-line reply of 10 MB in
#                   short lines that never reaches its last line
#   endless-list    a normal login; LIST over PASV sends listing lines for ever (426 on
#                   the control connection once the client drops the data connection)
#   big-list N      a normal login; LIST over PASV sends whole listing lines up to at most
#                   N bytes, then ends the listing properly with 226
import ctypes
import signal
import socket
import sys
import threading

# Ends with the test process even when that one crashes, so no server outlives its test
# (and keeps the test's output open): PR_SET_PDEATHSIG.
ctypes.CDLL(None).prctl(1, signal.SIGTERM)

MODE = sys.argv[1]
BIG_LIST_BYTES = int(sys.argv[2]) if len(sys.argv) > 2 else 0
TEN_MB = 10 * 1024 * 1024
LISTING_LINE = b"-rw-r--r--   1 lumi     lumi         4711 Mar  3 15:30 foto%07d.jpg\r\n"


def send_quietly(sock, data):
    try:
        sock.sendall(data)
        return True
    except OSError:
        return False


def send_ten_mb(sock, prefix, suffix=b""):
    # Sent in pieces, so the peer sees the line grow and can stop reading early.
    if not send_quietly(sock, prefix):
        return False
    piece = b"x" * 65536
    for _ in range(TEN_MB // len(piece)):
        if not send_quietly(sock, piece):
            return False
    return send_quietly(sock, suffix)


def read_command(reader):
    line = reader.readline(4096)
    if not line:
        return None, None
    text = line.decode("utf-8", "replace").rstrip("\r\n")
    verb, _, argument = text.partition(" ")
    return verb.upper(), argument


def open_listing(data_listener, control):
    """The data connection the client opens (None if it does not within 30 s), with the
    listing announced on the control connection."""
    data_listener.settimeout(30)
    try:
        data, _ = data_listener.accept()
    except OSError:
        return None
    finally:
        data_listener.close()
    send_quietly(control, b"150 Here comes the directory listing.\r\n")
    return data


def endless_listing(data_listener, control):
    data = open_listing(data_listener, control)
    if data is None:
        return
    block = b"".join(LISTING_LINE % n for n in range(1000))
    while send_quietly(data, block):
        pass
    data.close()
    # What a real server says when the client drops the data connection mid-transfer.
    send_quietly(control, b"426 Connection closed; transfer aborted.\r\n")


def big_listing(data_listener, control):
    data = open_listing(data_listener, control)
    if data is None:
        return
    line_bytes = len(LISTING_LINE % 0)
    lines = BIG_LIST_BYTES // line_bytes
    n = 0
    ok = True
    while ok and n < lines:
        count = min(1000, lines - n)
        ok = send_quietly(data, b"".join(LISTING_LINE % k for k in range(n, n + count)))
        n += count
    data.close()
    send_quietly(control, b"226 Directory send OK.\r\n" if ok else b"426 Transfer aborted.\r\n")


def serve(control):
    reader = control.makefile("rb")
    if MODE == "long-greeting":
        send_ten_mb(control, b"220 ")
        # Keeps the connection open without a line end until the peer gives up.
        reader.read()
        return
    send_quietly(control, b"220 Hostile test server ready.\r\n")
    data_listener = None
    while True:
        verb, argument = read_command(reader)
        if verb is None:
            return
        if verb == "USER":
            reply = b"331 Password required.\r\n"
        elif verb == "PASS":
            reply = b"230 Logged in.\r\n"
        elif verb == "SYST":
            reply = b"215 UNIX Type: L8\r\n"
        elif verb == "TYPE":
            reply = b"200 Type set.\r\n"
        elif verb == "PWD" and MODE == "long-pwd":
            send_ten_mb(control, b'257 "/', b'" is the current directory.\r\n')
            continue
        elif verb == "PWD" and MODE == "long-multiline":
            send_ten_mb(control, b"257-Current directory follows.\r\n ", b"\r\n257 \"/\"\r\n")
            continue
        elif verb == "PWD" and MODE == "many-lines":
            send_quietly(control, b"257-Current directory follows.\r\n")
            line = b" a line of a reply that never ends\r\n"
            block = line * (65536 // len(line))
            sent = 0
            while sent < TEN_MB and send_quietly(control, block):
                sent += len(block)
            continue
        elif verb == "PWD":
            reply = b'257 "/" is the current directory.\r\n'
        elif verb == "PASV":
            data_listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            data_listener.bind(("127.0.0.1", 0))
            data_listener.listen(1)
            port = data_listener.getsockname()[1]
            reply = b"227 Entering Passive Mode (127,0,0,1,%d,%d).\r\n" % (port // 256, port % 256)
        elif verb in ("LIST", "NLST") and MODE == "endless-list" and data_listener:
            endless_listing(data_listener, control)
            data_listener = None
            continue
        elif verb in ("LIST", "NLST") and MODE == "big-list" and data_listener:
            big_listing(data_listener, control)
            data_listener = None
            continue
        elif verb == "QUIT":
            send_quietly(control, b"221 Bye.\r\n")
            return
        else:
            reply = b"502 Command not implemented.\r\n"
        if not send_quietly(control, reply):
            return


def serve_and_close(control):
    try:
        serve(control)
    except OSError:
        pass
    finally:
        control.close()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print(listener.getsockname()[1], flush=True)
    while True:
        control, _ = listener.accept()
        threading.Thread(target=serve_and_close, args=(control,), daemon=True).start()


if __name__ == "__main__":
    main()
