#!/usr/bin/env python3
"""The demo's update server: serves a folder over HTTP/1.0 on 127.0.0.1.

It answers absolute-form request targets ("GET http://host/path HTTP/1.0"), so the program
reaches it through the environment's proxy setting on its fixed port 80. Each request line
and its headers are printed. It stops by itself after --lifetime seconds.
"""
import argparse
import http.server
import mimetypes
import os
import sys
import time
import urllib.parse


def content_type(path):
    kind = mimetypes.guess_type(path)[0] or "application/octet-stream"
    return kind + "; charset=utf-8" if kind.startswith("text/") else kind


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    root = "."

    def do_GET(self):
        target = self.path
        if target.startswith("http://"):
            target = "/" + target[len("http://"):].partition("/")[2]
        path = urllib.parse.unquote(target.partition("?")[0])
        print(f"request: {self.requestline}", flush=True)
        for name, value in self.headers.items():
            print(f"  {name}: {value}", flush=True)
        local = os.path.realpath(os.path.join(self.root, path.lstrip("/")))
        inside = local.startswith(os.path.realpath(self.root) + os.sep)
        if not inside or not os.path.isfile(local):
            self.send_error(404)
            return
        with open(local, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", content_type(local))
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port-file", required=True, help="receives the port once listening")
    parser.add_argument("--lifetime", type=float, default=120)
    args = parser.parse_args()
    Handler.root = args.root
    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    server.timeout = 0.5
    with open(args.port_file + ".new", "w") as f:
        f.write(str(server.server_address[1]))
    os.replace(args.port_file + ".new", args.port_file)
    deadline = time.monotonic() + args.lifetime
    while time.monotonic() < deadline:
        server.handle_request()
    server.server_close()


if __name__ == "__main__":
    sys.exit(main())
