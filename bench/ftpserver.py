#!/usr/bin/python3
# The benchmark's FTP server: pyftpdlib, one user, a fixed passive port range; plain FTP, or
# with --certfile and --keyfile explicit FTP over TLS required on commands and data.
# Prints "PORT <n>" on standard output once it listens, then serves until killed.
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--host", default="127.0.0.2")
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--passive", required=True, help="FIRST-LAST")
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--certfile")
    parser.add_argument("--keyfile")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    first, last = (int(p) for p in args.passive.split("-"))
    handler = FTPHandler
    if args.certfile:
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.certfile, handler.keyfile = args.certfile, args.keyfile
        handler.tls_control_required = handler.tls_data_required = True
    handler.authorizer = authorizer
    handler.passive_ports = range(first, last + 1)
    handler.banner = "Lumivista benchmark server ready."
    server = FTPServer((args.host, args.port), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
