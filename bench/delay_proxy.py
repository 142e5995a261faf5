#!/usr/bin/python3
"""A forwarding FTP proxy on loopback that behaves like a slower link.

    delay_proxy.py --target-port P [--target-host H] [--rtt-ms 20] [--port 0]
                   [--refuse-passive N[,N...]] [--listen-host 127.0.0.1]

Every byte that crosses the proxy, in either direction, is released half the
round trip after it arrived: each direction of each connection has a queue of
(release time, bytes) that a writer empties in order, so the delay never
throttles throughput beyond what the link would (the reader keeps reading
while earlier bytes wait). Passive replies from the server (227 and 229) are
rewritten to a data listener of the proxy's own, which forwards the data
connection to the server's port with the same delay: both our client and a
peer such as lftp see the same link for commands and data.

A connection's upstream side is opened half a round trip after the client's
connect reaches the proxy, so the server sees it when it would over the link.
What the proxy cannot delay is the client's own TCP handshake: the kernel
completes it at once, so a client that waits for its connect to finish sees
that connect one round trip early (on the control and every data
connection).

With --refuse-passive the Nth passive reply (counted from 1 over all
connections) announces a port where nothing listens, so that the client's
connect is refused, as behind a firewall that rejects some passive ports;
the server is left waiting for a data connection that never comes. With
--late-second-size-reply-ms the second "213" reply of each control
connection, and everything after it, is held back that long: a server that
answers the second of two commands sent together late.

The proxy listens, for the control and the data connections, on
--listen-host (any 127.x.y.z address works on Linux), so that a benchmark can
give each run addresses of its own, free of the last run's TIME_WAIT sockets.

Prints "listening on PORT" on stdout once it accepts, then runs until killed.
"""
import argparse
import asyncio
import re
import socket
import sys

QUEUE_CAP = 16 << 20  # bytes in flight per direction before the reader pauses
PASV_227 = re.compile(rb"(\d+),(\d+),(\d+),(\d+),(\d+),(\d+)")
EPSV_229 = re.compile(rb"\(([^\d])\1\1(\d+)\1\)")


def no_delay(writer):
    sock = writer.get_extra_info("socket")
    if sock is not None:
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


class Direction:
    """One direction of one connection: bytes released `delay` after arrival."""

    def __init__(self, delay):
        self.delay = delay
        self.queue = asyncio.Queue()
        self.queued = 0
        self.room = asyncio.Event()
        self.room.set()

    def put(self, data, arrived):
        self.queued += len(data)
        if self.queued > QUEUE_CAP:
            self.room.clear()
        self.queue.put_nowait((arrived + self.delay, data))

    async def read_from(self, reader, rewrite=None):
        loop = asyncio.get_running_loop()
        pending = b""
        try:
            while True:
                await self.room.wait()
                data = await reader.read(1 << 16)
                arrived = loop.time()
                if rewrite is not None and data:
                    # Control replies are forwarded whole lines at a time, so
                    # that a passive reply split across reads is still seen.
                    pending += data
                    cut = pending.rfind(b"\n") + 1
                    data, pending = pending[:cut], pending[cut:]
                    if data:
                        data = await rewrite(data)
                    if isinstance(data, tuple):
                        # (now, pause, later): the later part is held back.
                        now, pause, data = data
                        if now:
                            self.put(now, arrived)
                        await asyncio.sleep(pause)
                        arrived = loop.time()
                    if not data:
                        continue
                if not data:
                    break
                self.put(data, arrived)
        except (ConnectionError, OSError):
            pass
        if pending:
            self.put(pending, loop.time())
        self.queue.put_nowait((loop.time() + self.delay, b""))  # end of stream

    async def write_to(self, writer_future):
        loop = asyncio.get_running_loop()
        writer = None
        try:
            while True:
                due, data = await self.queue.get()
                wait = due - loop.time()
                if wait > 0:
                    await asyncio.sleep(wait)
                if writer is None:
                    writer = await writer_future
                    if writer is None:
                        return
                if not data:
                    if writer.can_write_eof():
                        writer.write_eof()
                    return
                writer.write(data)
                self.queued -= len(data)
                if self.queued <= QUEUE_CAP:
                    self.room.set()
                await writer.drain()
        except (ConnectionError, OSError):
            pass


def refused_port():
    """A port on 127.0.0.1 where nothing listens (just freed)."""
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Proxy:
    def __init__(self, target_host, target_port, rtt_ms, refuse_passive=(), late_size_reply=0.0,
                 listen_host="127.0.0.1"):
        self.target = (target_host, target_port)
        self.listen_host = listen_host
        self.delay = rtt_ms / 2000.0
        self.late_size_reply = late_size_reply
        self.refuse_passive = set(refuse_passive)
        self.passive_replies = 0

    def refuses_next_passive(self):
        self.passive_replies += 1
        return self.passive_replies in self.refuse_passive

    async def connect_upstream(self, host, port):
        await asyncio.sleep(self.delay)  # the client's SYN crossing the link
        try:
            reader, writer = await asyncio.open_connection(host, port)
        except OSError:
            return None, None
        no_delay(writer)
        return reader, writer

    async def relay(self, client_reader, client_writer, host, port, rewrite=None):
        """Both directions between a client and (host, port), each delayed."""
        no_delay(client_writer)
        loop = asyncio.get_running_loop()
        upstream = loop.create_task(self.connect_upstream(host, port))
        writer_future = loop.create_future()

        async def upstream_writer():
            reader, writer = await upstream
            writer_future.set_result(writer)
            return reader

        up = Direction(self.delay)
        down = Direction(self.delay)
        client_future = loop.create_future()
        client_future.set_result(client_writer)
        tasks = [
            loop.create_task(up.read_from(client_reader)),
            loop.create_task(up.write_to(writer_future)),
        ]
        server_reader = await upstream_writer()
        if server_reader is not None:
            tasks.append(loop.create_task(down.read_from(server_reader, rewrite)))
            tasks.append(loop.create_task(down.write_to(client_future)))
        else:
            client_writer.close()
        await asyncio.gather(*tasks, return_exceptions=True)
        for writer in (client_writer, writer_future.result()):
            if writer is not None:
                writer.close()

    async def data_listener(self, host, port):
        """A one-connection listener that relays to the server's data port."""
        done = asyncio.Event()

        async def accepted(reader, writer):
            if done.is_set():
                writer.close()
                return
            done.set()
            await self.relay(reader, writer, host, port)

        server = await asyncio.start_server(accepted, self.listen_host, 0)
        loop = asyncio.get_running_loop()

        async def close_when_used():
            try:
                await asyncio.wait_for(done.wait(), 120)
            except asyncio.TimeoutError:
                pass
            server.close()

        loop.create_task(close_when_used())
        return server.sockets[0].getsockname()[1]

    async def rewrite_replies(self, lines, connection):
        out = []
        held = None  # where the held-back part begins
        for line in lines.splitlines(keepends=True):
            if self.late_size_reply > 0 and line.startswith(b"213 "):
                connection["size replies"] += 1
                if connection["size replies"] == 2:
                    held = len(out)
            if line.startswith(b"227"):
                found = PASV_227.search(line)
                if found:
                    numbers = [int(x) for x in found.groups()]
                    host = ".".join(str(n) for n in numbers[:4])
                    if self.refuses_next_passive():
                        port = refused_port()
                    else:
                        port = await self.data_listener(host, numbers[4] * 256 + numbers[5])
                    mine = b"%s,%d,%d" % (self.listen_host.replace(".", ",").encode(),
                                          port // 256, port % 256)
                    line = line[: found.start()] + mine + line[found.end():]
            elif line.startswith(b"229"):
                found = EPSV_229.search(line)
                if found:
                    if self.refuses_next_passive():
                        port = refused_port()
                    else:
                        port = await self.data_listener(self.target[0], int(found.group(2)))
                    mark = found.group(1)
                    line = (line[: found.start()] + b"(" + mark * 3 + b"%d" % port + mark + b")"
                            + line[found.end():])
            out.append(line)
        if held is not None:
            return b"".join(out[:held]), self.late_size_reply, b"".join(out[held:])
        return b"".join(out)

    async def control(self, reader, writer):
        connection = {"size replies": 0}

        async def rewrite(lines):
            return await self.rewrite_replies(lines, connection)

        await self.relay(reader, writer, *self.target, rewrite=rewrite)


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--target-host", default="127.0.0.1")
    parser.add_argument("--target-port", type=int, required=True)
    parser.add_argument("--rtt-ms", type=float, default=20.0)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--refuse-passive", default="",
                        help="passive replies (1 = the first) to point at a refused port")
    parser.add_argument("--late-second-size-reply-ms", type=float, default=0.0,
                        help="hold the second 213 reply of each control connection this long")
    parser.add_argument("--listen-host", default="127.0.0.1")
    args = parser.parse_args()
    refused = [int(n) for n in args.refuse_passive.split(",") if n]
    proxy = Proxy(args.target_host, args.target_port, args.rtt_ms, refused,
                  args.late_second_size_reply_ms / 1000.0, args.listen_host)
    server = await asyncio.start_server(proxy.control, args.listen_host, args.port, backlog=128)
    print("listening on %d" % server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
