#!/usr/bin/python3
# A TCP proxy that adds a fixed one-way delay: it listens on LISTEN_HOST at the control port
# and at every port of the passive range and forwards each connection to UPSTREAM_HOST at
# the same port. Every chunk read is written on at its arrival time + DELAY in either
# direction, in order and without a bandwidth limit, so the round trip grows by twice the
# delay. An FTP client opens its data connections to the control connection's peer at the
# port of the PASV reply, which is then this proxy: replies need no rewriting. SSH needs the
# control port only.
# Prints "READY" on standard output once every port listens; runs until killed.
import argparse
import asyncio
import socket
import sys

_EOF = None
# The event loop keeps only weak references to tasks: a relay whose sockets are quiet for a
# moment could be collected mid-connection, its queued chunks lost and its sockets closed.
_RUNNING = set()


def keep(task):
    _RUNNING.add(task)
    task.add_done_callback(_RUNNING.discard)
    return task


async def pump(reader, writer, delay, abort):
    """Copies reader to writer; each chunk leaves at its own arrival time + delay."""
    loop = asyncio.get_running_loop()
    queue = asyncio.Queue()

    async def send():
        while True:
            due, data = await queue.get()
            wait = due - loop.time()
            if wait > 0:
                await asyncio.sleep(wait)
            if data is _EOF:
                if writer.can_write_eof():
                    writer.write_eof()
                return
            writer.write(data)
            await writer.drain()

    sender = keep(asyncio.create_task(send()))
    try:
        while True:
            data = await reader.read(65536)
            queue.put_nowait((loop.time() + delay, data or _EOF))
            if not data:
                break
        await sender
    except (ConnectionError, OSError, RuntimeError):
        # A reset or a write after the other side closed: end both directions.
        sender.cancel()
        abort()


async def relay(client_reader, client_writer, upstream_host, port, delay):
    keep(asyncio.current_task())
    try:
        up_reader, up_writer = await asyncio.open_connection(upstream_host, port)
    except OSError as e:
        print("latencyproxy: port %d: %s" % (port, e), file=sys.stderr, flush=True)
        client_writer.close()
        return
    writers = (client_writer, up_writer)
    for w in writers:
        w.get_extra_info("socket").setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def abort():
        for w in writers:
            w.close()

    await asyncio.gather(pump(client_reader, up_writer, delay, abort),
                         pump(up_reader, client_writer, delay, abort))
    abort()


async def serve(args):
    ports = [args.port]
    if args.passive:
        first, last = (int(p) for p in args.passive.split("-"))
        ports += list(range(first, last + 1))
    delay = args.delay_ms / 1000.0
    servers = []
    for port in ports:
        servers.append(await asyncio.start_server(
            lambda r, w, port=port: relay(r, w, args.upstream, port, delay),
            args.listen, port, reuse_address=True))
    print("READY", flush=True)
    await asyncio.gather(*(s.serve_forever() for s in servers))


def main():
    parser = argparse.ArgumentParser(description="TCP proxy with a one-way delay")
    parser.add_argument("--listen", default="127.0.0.1")
    parser.add_argument("--upstream", default="127.0.0.2")
    parser.add_argument("--port", type=int, required=True, help="the control port")
    parser.add_argument("--passive", default="",
                        help="the passive ports, FIRST-LAST (none for SSH)")
    parser.add_argument("--delay-ms", type=float, default=25.0, help="one way (default 25)")
    args = parser.parse_args()
    try:
        asyncio.run(serve(args))
    except OSError as e:
        print("latencyproxy: %s" % e, file=sys.stderr)
        sys.exit(1)
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
