#!/usr/bin/env python3
"""A stand-in for the cloud-disk service and for file servers, for tests.

Listens on 127.0.0.1 only. One port serves plain HTTP and TLS alike: a
connection whose first byte is 0x16 (a TLS handshake record) is wrapped in
TLS, any other is plain HTTP.

Every request is appended to the log file as one JSON line, before its reply
is sent: {"active", "tls", "request_line", "headers": [[name, value], ...],
"body_hex"}, where active counts the requests being answered at that moment.

Replies are chosen by path. /reply builds a reply from its query:
  status=N          status code (200)
  header=Name:value a reply header line; repeatable, kept in order
  body=TEXT         body as UTF-8 text
  body_hex=HEX      body as bytes
  pad=N             N spaces before the body
  size=N            body of N bytes (a repeating pattern)
  delay=S           wait S seconds before replying
  drop_after=N      send the headers and N body bytes, then close the connection
Other paths:
  /echo             the request as the log records it, as a JSON body
  /file             a file of pattern bytes (byte k is k * 7 % 251), served
                    with ranges; its query:
    size=N            the file's size; sizes=N1,N2,... the size at the first,
                      second, ... request of the token (the last one stays)
    token=T           names the counters of the options below
    no_ranges=1       ignore Range headers (200 with the whole file)
    no_length=1       no Content-Length: the body ends with the connection
    fail_status=S, fail_times=K   the first K requests of the token get S
    drop_after=N, drop_times=K    close the connection after N body bytes,
                      for the first K replies of the token (all when K is absent)
    rate=B            send at most B bytes per second
More routes go into Routes.table.

Usage: fake_service.py --log FILE [--cert CERT --key KEY]
Prints "port N" on its first line once it listens; stops on end of input.
"""

import argparse
import binascii
import http.server
import json
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse


PATTERN = bytes(k * 7 % 251 for k in range(251)) * 263  # 251 phases of 65536 bytes


def pattern_bytes(offset, count):
    """Bytes of a fixed pattern that shows where in a file each byte belongs."""
    pieces = []
    while count > 0:
        n = min(count, 65536)
        start = offset % 251
        pieces.append(PATTERN[start:start + n])
        offset += n
        count -= n
    return b"".join(pieces)


class Routes:
    """Handlers by path. A handler takes (handler, query) and sends the reply."""

    def __init__(self):
        self.table = {"/reply": reply_from_query, "/echo": echo, "/file": serve_file}

    def find(self, path):
        return self.table.get(path)


def send(handler, status, headers, body, drop_after=None):
    handler.send_response_only(status)
    names = {name.lower() for name, _ in headers}
    for name, value in headers:
        handler.send_header(name, value)
    if "content-length" not in names:
        handler.send_header("Content-Length", str(len(body)))
    handler.end_headers()
    if drop_after is not None:
        handler.wfile.write(body[:drop_after])
        handler.wfile.flush()
        handler.close_connection = True
        handler.connection.shutdown(socket.SHUT_RDWR)
        return
    if handler.command != "HEAD":
        handler.wfile.write(body)


def reply_from_query(handler, query):
    status = int(query.get("status", ["200"])[0])
    headers = []
    for line in query.get("header", []):
        name, _, value = line.partition(":")
        headers.append((name.strip(), value.strip()))
    body = b""
    if "body" in query:
        body = query["body"][0].encode("utf-8")
    if "body_hex" in query:
        body = binascii.unhexlify(query["body_hex"][0])
    if "size" in query:
        body = pattern_bytes(0, int(query["size"][0]))
    body = b" " * int(query.get("pad", ["0"])[0]) + body
    if "delay" in query:
        time.sleep(float(query["delay"][0]))
    drop = query.get("drop_after")
    send(handler, status, headers, body, int(drop[0]) if drop else None)


def echo(handler, query):
    send(handler, 200, [("Content-Type", "application/json")], json.dumps(handler.record).encode())


def parse_range(header, size):
    """(first, last) of a "bytes=a-b" or "bytes=a-" header; None when absent."""
    if not header or not header.startswith("bytes="):
        return None
    first, _, last = header[6:].partition("-")
    if not first.isdigit():
        return None
    last = int(last) if last.isdigit() else size - 1
    return int(first), min(last, size - 1)


def serve_file(handler, query):
    def option(name, default=None):
        return query.get(name, [default])[0]

    token = option("token", "")
    count = handler.server.count(token)
    sizes = [int(n) for n in option("sizes", option("size", "0")).split(",")]
    size = sizes[min(count, len(sizes) - 1)]
    if option("fail_status") and count < int(option("fail_times", "1")):
        send(handler, int(option("fail_status")), [], b"refused")
        return
    headers = [("Content-Type", "application/octet-stream")]
    first, last, status = 0, size - 1, 200
    wanted = None if option("no_ranges") else parse_range(handler.headers.get("Range"), size)
    if wanted is not None:
        if wanted[0] >= size:
            send(handler, 416, [("Content-Range", "bytes */%d" % size)], b"")
            return
        first, last, status = wanted[0], wanted[1], 206
        headers.append(("Content-Range", "bytes %d-%d/%d" % (first, last, size)))
    else:
        headers.append(("Accept-Ranges", "none" if option("no_ranges") else "bytes"))
    length = max(0, last - first + 1)
    handler.send_response_only(status)
    for name, value in headers:
        handler.send_header(name, value)
    if option("no_length"):
        handler.send_header("Connection", "close")
        handler.close_connection = True
    else:
        handler.send_header("Content-Length", str(length))
    handler.end_headers()
    drop_after = option("drop_after")
    drops = drop_after is not None and count < int(option("drop_times", "1000000000"))
    limit = int(drop_after) if drops else length
    rate = int(option("rate", "0"))
    sent = 0
    chunk = 65536 if not rate else max(1, rate // 10)
    while sent < min(length, limit):
        n = min(chunk, min(length, limit) - sent)
        handler.wfile.write(pattern_bytes(first + sent, n))
        sent += n
        if rate:
            handler.wfile.flush()
            time.sleep(n / rate)
    if drops:
        handler.wfile.flush()
        handler.close_connection = True
        handler.connection.shutdown(socket.SHUT_RDWR)


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FakeService"

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(length) if length else b""
        self.record = {
            "active": self.server.enter(),
            "tls": isinstance(self.connection, ssl.SSLSocket),
            "request_line": self.requestline,
            "headers": [[name, value] for name, value in self.headers.items()],
            "body_hex": body.hex(),
        }
        self.server.log(self.record)
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        route = self.server.routes.find(url.path)
        try:
            if route is None:
                send(self, 404, [("Content-Type", "text/plain")], b"no such path")
            else:
                route(self, query)
        finally:
            self.server.leave()

    do_GET = do_POST = do_HEAD = do_PUT = handle_any


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, log_path, tls_context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.tls_context = tls_context
        self.routes = Routes()
        self.log_lock = threading.Lock()
        self.counters = {}
        self.active = 0
        self.log_file = open(log_path, "a", encoding="utf-8")

    def enter(self):
        """Counts a request in; how many are being answered, this one included."""
        with self.log_lock:
            self.active += 1
            return self.active

    def leave(self):
        with self.log_lock:
            self.active -= 1

    def handle_error(self, request, client_address):
        # A client that hangs up early is part of the tests, not a fault.
        if not isinstance(sys.exc_info()[1], (ConnectionError, ssl.SSLError, TimeoutError)):
            super().handle_error(request, client_address)

    def count(self, token):
        """How many requests of the token came before this one."""
        with self.log_lock:
            seen = self.counters.get(token, 0)
            self.counters[token] = seen + 1
            return seen

    def log(self, record):
        with self.log_lock:
            self.log_file.write(json.dumps(record) + "\n")
            self.log_file.flush()

    def finish_request(self, request, client_address):
        # A TLS handshake starts with a record of type 0x16.
        try:
            request.settimeout(30)
            first = request.recv(1, socket.MSG_PEEK)
            if first == b"\x16" and self.tls_context is not None:
                request = self.tls_context.wrap_socket(request, server_side=True)
            request.settimeout(None)
        except (OSError, ssl.SSLError):
            return
        super().finish_request(request, client_address)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()
    context = None
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    server = Server(args.log, context)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("port", server.server_address[1], flush=True)
    sys.stdin.read()  # the test closes our input when it is done
    server.shutdown()


if __name__ == "__main__":
    main()
