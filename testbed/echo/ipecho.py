#!/usr/bin/env python3
"""The IP-echo server of the test bed: tells each caller the address it came from.

GET /whip2.php            the caller's address as plain text, no line end
GET /your-visible-ip.php  a small HTML page naming the address
anything else             404

It listens on loopback only. For tests of the probe's error handling the
answer to /whip2.php can be replaced with --mode:
  404 / 500   that status with a short text
  oversize    a plain-text body of --oversize-bytes bytes (default 1 MiB)
  nul         the address with a NUL byte in the middle of the body

Usage: ipecho.py [--host 127.0.0.1] [--port 80] [--mode normal|404|500|oversize|nul]
"""
import argparse
import http.server
import ipaddress
import socketserver
import sys


def make_handler(mode, oversize_bytes):
    class Handler(http.server.BaseHTTPRequestHandler):
        def version_string(self):
            return "ipecho/1.0"

        def send_body(self, status, content_type, body):
            self.send_response(status)
            self.send_header("Content-Type", content_type)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            if self.command != "HEAD":
                self.wfile.write(body)

        def do_GET(self):
            address = self.client_address[0]
            path = self.path.split("?", 1)[0]
            if path == "/whip2.php":
                self.answer_address(address)
            elif path == "/your-visible-ip.php":
                page = ("<html><head><title>Your visible IP address</title></head>"
                        "<body><p>Your visible IP address is <b>%s</b></p></body></html>"
                        % address)
                self.send_body(200, "text/html", page.encode("ascii"))
            else:
                self.send_body(404, "text/plain", b"Not Found")

        do_HEAD = do_GET

        def answer_address(self, address):
            if mode in ("404", "500"):
                self.send_body(int(mode), "text/plain", b"Error " + mode.encode())
            elif mode == "oversize":
                self.send_body(200, "text/plain", b"1" * oversize_bytes)
            elif mode == "nul":
                text = address.encode("ascii")
                self.send_body(200, "text/plain", text[:3] + b"\0" + text[3:])
            else:
                self.send_body(200, "text/plain", address.encode("ascii"))

        def log_message(self, format, *args):
            sys.stderr.write("%s %s\n" % (self.client_address[0], format % args))

    return Handler


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=80)
    parser.add_argument("--mode", default="normal",
                        choices=["normal", "404", "500", "oversize", "nul"])
    parser.add_argument("--oversize-bytes", type=int, default=1 << 20)
    args = parser.parse_args()
    # Never a server for the network: only loopback addresses are accepted.
    if not ipaddress.ip_address(args.host).is_loopback:
        parser.error("--host must be a loopback address")
    server = Server((args.host, args.port), make_handler(args.mode, args.oversize_bytes))
    print("listening on %s:%d" % server.server_address[:2], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
