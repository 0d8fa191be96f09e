#!/usr/bin/env python3
"""A stand-in for the cloud-disk service and for file servers, for tests.

Listens on 127.0.0.1 only. One port serves plain HTTP and TLS alike: a
connection whose first byte is 0x16 (a TLS handshake record) is wrapped in
TLS, any other is plain HTTP.

Every request is appended to the log file as one JSON line, before its reply
is sent: {"tls", "request_line", "headers": [[name, value], ...], "body_hex"}.

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


def pattern_bytes(offset, count):
    """Bytes of a fixed pattern that shows where in a file each byte belongs."""
    return bytes((offset + i) * 7 % 251 for i in range(count))


class Routes:
    """Handlers by path. A handler takes (handler, query) and sends the reply."""

    def __init__(self):
        self.table = {"/reply": reply_from_query, "/echo": echo}

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


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FakeService"

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length", "0") or "0")
        body = self.rfile.read(length) if length else b""
        self.record = {
            "tls": isinstance(self.connection, ssl.SSLSocket),
            "request_line": self.requestline,
            "headers": [[name, value] for name, value in self.headers.items()],
            "body_hex": body.hex(),
        }
        self.server.log(self.record)
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        route = self.server.routes.find(url.path)
        if route is None:
            send(self, 404, [("Content-Type", "text/plain")], b"no such path")
            return
        route(self, query)

    do_GET = do_POST = do_HEAD = do_PUT = handle_any


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, log_path, tls_context):
        super().__init__(("127.0.0.1", 0), Handler)
        self.tls_context = tls_context
        self.routes = Routes()
        self.log_lock = threading.Lock()
        self.log_file = open(log_path, "a", encoding="utf-8")

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
