#!/usr/bin/env python3
"""Local download service for the installer's tests and demo.

Serves the product package at "/openapi/download?ch=10009&app=50000" (and at
any path below "/any/", for address-escaping checks) on 127.0.0.1, logs every
request, and misbehaves on demand. Standard library only.

Endpoints that are not logged:
  GET /control?...   replace the fault settings, clear the request log and the
                     fault counters; answers "ok". Parameters (all optional):
      status=CODE&count=N  answer CODE (e.g. 404, 500) to the first N requests
      fault=reset|short&faultcount=N
                           first N requests: "reset" sends half the body and
                           resets the connection (RST); "short" sends half the
                           body and closes cleanly, so the body is shorter than
                           its Content-Length
      rate=BYTES           throttle every body to BYTES per second
      nolength=1           send no Content-Length; the body ends at close
      size=BYTES           serve BYTES of generated data instead of the file
      variant=NAME         serve the package's sibling "<stem>-NAME<ext>" (the
                           build leaves "unsigned" and "wrong-publisher" copies)
      flip=OFFSET          serve the package with the byte at OFFSET inverted
      cut=BYTES            serve only the first BYTES of the package, announced
                           as a complete body of that length
  GET /log           the logged requests as a JSON array of
                     {"method", "path" (raw request target), "query", "headers"}
  GET /log?paths=1   only the raw request targets, one a line

Start: download_service.py [--port N] [--port-file F] [--package FILE] [--log F]
Port 0 (the default) takes a free port; --port-file receives it once the
socket listens.
"""
import argparse
import json
import os
import socket
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PACKAGE_TARGET = "/openapi/download?ch=10009&app=50000"
ERROR_PAGE = (
    "<!DOCTYPE HTML>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
    "<title>Error response</title>\n</head>\n<body>\n<h1>Error response</h1>\n"
    "<p>Error code: {code}</p>\n<p>Message: {reason}.</p>\n"
    "<p>Error code explanation: {code} - the download service was told to fail.</p>\n"
    "</body>\n</html>\n")
AGREEMENT_PAGE = (
    "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Agreement</title></head>"
    "<body><h1>License agreement</h1><p>Demo agreement page served by the local "
    "download service.</p></body></html>\n")
CHUNK = 16 * 1024  # bytes per write when throttling


def generated_payload(size):
    """Deterministic bytes: a 251-byte cycle, so shifted or lost blocks show."""
    cycle = bytes((i * 7 + 3) % 256 for i in range(251))
    whole, rest = divmod(size, len(cycle))
    return cycle * whole + cycle[:rest]


class Settings:
    def __init__(self):
        self.status = 200
        self.status_left = 0
        self.fault = ""
        self.fault_left = 0
        self.rate = 0
        self.no_length = False
        self.size = None
        self.variant = ""
        self.flip = None
        self.cut = None


class State:
    def __init__(self, package, log_file):
        self.lock = threading.Lock()
        self.settings = Settings()
        self.requests = []
        self.package = package
        self.log_file = log_file
        self.payload_cache = {}

    def configure(self, query):
        params = urllib.parse.parse_qs(query)

        def number(name, default=0):
            return int(params.get(name, [str(default)])[0])

        settings = Settings()
        if "status" in params:
            settings.status = number("status", 200)
            settings.status_left = number("count", 1 << 30)
        if "fault" in params:
            settings.fault = params["fault"][0]
            if settings.fault not in ("reset", "short"):
                raise ValueError("fault must be reset or short")
            settings.fault_left = number("faultcount", 1 << 30)
        settings.rate = number("rate", 0)
        settings.no_length = number("nolength", 0) != 0
        if "size" in params:
            settings.size = number("size")
        if "variant" in params:
            settings.variant = params["variant"][0]
            if not settings.variant.replace("-", "").isalnum():
                raise ValueError("variant must be a plain name")
        if "flip" in params:
            settings.flip = number("flip")
        if "cut" in params:
            settings.cut = number("cut")
        with self.lock:
            self.settings = settings
            self.requests = []

    def record(self, handler):
        path, _, query = handler.path.partition("?")
        entry = {
            "method": handler.command,
            "path": handler.path,
            "query": query,
            "headers": {k: v for k, v in handler.headers.items()},
        }
        with self.lock:
            self.requests.append(entry)
        if self.log_file:
            with open(self.log_file, "a", encoding="utf-8") as out:
                out.write(json.dumps(entry) + "\n")

    def take_outcome(self):
        """Decides, under the lock, what this package request gets."""
        with self.lock:
            s = self.settings
            status, fault = 200, ""
            if s.status_left > 0:
                s.status_left -= 1
                status = s.status
            elif s.fault_left > 0:
                s.fault_left -= 1
                fault = s.fault
            return status, fault, s.rate, s.no_length, s.size, (s.variant, s.flip, s.cut)

    def payload(self, size, change=("", None, None)):
        if size is not None:
            if size not in self.payload_cache:
                self.payload_cache = {size: generated_payload(size)}
            return self.payload_cache[size]
        if not self.package:
            return generated_payload(65536)
        variant, flip, cut = change
        path = self.package
        if variant:
            stem, ext = os.path.splitext(self.package)
            path = f"{stem}-{variant}{ext}"
        with open(path, "rb") as f:
            data = f.read()
        if flip is not None and 0 <= flip < len(data):
            data = data[:flip] + bytes([data[flip] ^ 0xFF]) + data[flip + 1:]
        if cut is not None:
            data = data[:cut]
        return data


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "ZKDownloadService/1.0"

    def log_message(self, fmt, *args):  # the request log is ours; keep stderr quiet
        pass

    @property
    def state(self):
        return self.server.state

    def do_GET(self):
        path, _, query = self.path.partition("?")
        if path == "/control":
            try:
                self.state.configure(query)
            except ValueError as error:
                self.send_text(400, str(error))
                return
            self.send_text(200, "ok")
            return
        if path == "/log":
            with self.state.lock:
                requests = list(self.state.requests)
            if query == "paths=1":
                self.send_text(200, "".join(entry["path"] + "\n" for entry in requests))
            else:
                self.send_text(200, json.dumps(requests), "application/json")
            return
        self.state.record(self)
        if self.path == PACKAGE_TARGET or path.startswith("/any/"):
            self.send_package()
        elif path == "/agreement.html":
            self.send_text(200, AGREEMENT_PAGE, "text/html; charset=utf-8")
        else:
            self.send_error_page(404)

    def send_text(self, code, text, content_type="text/plain; charset=utf-8"):
        body = text.encode("utf-8")
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_no_cache()
        self.end_headers()
        self.wfile.write(body)

    def send_no_cache(self):
        # Every answer must reach the client afresh: a cached copy would hide
        # the fault sequence a test has set up.
        self.send_header("Cache-Control", "no-store, no-cache, must-revalidate")
        self.send_header("Pragma", "no-cache")
        self.send_header("Expires", "0")

    def send_error_page(self, code):
        reason = self.responses.get(code, ("Error",))[0]
        self.send_text(code, ERROR_PAGE.format(code=code, reason=reason), "text/html; charset=utf-8")

    def send_package(self):
        status, fault, rate, no_length, size, change = self.state.take_outcome()
        if status != 200:
            self.send_error_page(status)
            return
        body = self.state.payload(size, change)
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if no_length:
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.send_no_cache()
        self.end_headers()
        if fault:
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            time.sleep(0.05)
            if fault == "reset":
                # Linger 0: close() sends RST instead of FIN.
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            else:
                self.connection.shutdown(socket.SHUT_WR)
            self.connection.close()
            self.close_connection = True
            return
        self.write_body(body, rate)

    def write_body(self, body, rate):
        if rate <= 0:
            self.wfile.write(body)
            return
        start = time.monotonic()
        sent = 0
        while sent < len(body):
            chunk = body[sent : sent + CHUNK]
            self.wfile.write(chunk)
            sent += len(chunk)
            due = start + sent / rate
            delay = due - time.monotonic()
            if delay > 0:
                time.sleep(delay)

    def finish(self):
        try:
            super().finish()
        except OSError:
            pass  # the connection was reset or closed on purpose


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # Clients that give up mid-body (an aborted download) are expected.
        if not isinstance(sys.exc_info()[1], (ConnectionError, OSError)):
            super().handle_error(request, client_address)

    def shutdown_request(self, request):
        try:
            super().shutdown_request(request)
        except OSError:
            pass


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--port-file")
    parser.add_argument("--package", help="file served as the package")
    parser.add_argument("--log", help="append every request as a JSON line")
    args = parser.parse_args()
    if args.package and not os.path.isfile(args.package):
        parser.error("no such package file: " + args.package)

    server = Server((args.host, args.port), Handler)
    server.state = State(args.package, args.log)
    port = server.server_address[1]
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w") as out:
            out.write(str(port))
        os.replace(temporary, args.port_file)
    print("download service on http://%s:%d" % (args.host, port), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
