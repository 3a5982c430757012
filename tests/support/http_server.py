"""HTTP peer for Quillet's tests, on 127.0.0.1 only.

serve: answers every GET with the bytes of --body-file at that moment. A first line
       "STATUS nnn" sets the status; the rest is the body. Each request is appended to
       --log-file as one JSON line (method, path, headers, t = this machine's monotonic
       clock, so that logs of several peers can be put in order).
hang:  accepts connections and never answers.
With --cert (the PEM file of its key and certificate) it speaks HTTPS.

Prints "PORT <n>" once listening, and exits when its standard input closes, so it
never outlives the test that started it.
"""
import argparse
import http.server
import json
import os
import socket
import ssl
import sys
import threading
import time


def exit_when_stdin_closes():
    sys.stdin.buffer.read()
    os._exit(0)


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        args = self.server.args
        if args.log_file:
            entry = {"method": "GET", "path": self.path,
                     "headers": {k: v for k, v in self.headers.items()},
                     "t": time.monotonic()}
            with open(args.log_file, "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")
        status, body = 200, b""
        try:
            with open(args.body_file, "rb") as f:
                body = f.read()
        except OSError:
            status = 404
        if body.startswith(b"STATUS "):
            first, _, body = body.partition(b"\n")
            status = int(first.split()[1])
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        pass


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", choices=["serve", "hang"], default="serve")
    parser.add_argument("--body-file")
    parser.add_argument("--log-file")
    parser.add_argument("--cert")
    args = parser.parse_args()

    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()

    if args.mode == "hang":
        sock = socket.socket()
        sock.bind(("127.0.0.1", 0))
        sock.listen(16)
        print("PORT %d" % sock.getsockname()[1], flush=True)
        held = []
        while True:
            conn, _ = sock.accept()
            held.append(conn)

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.args = args
    if args.cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
