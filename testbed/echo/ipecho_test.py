#!/usr/bin/env python3
"""The IP-echo server's answers in each of its modes, on a free loopback port."""
import http.client
import os
import socket
import subprocess
import sys
import unittest

SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ipecho.py")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class EchoServer:
    def __init__(self, *options):
        self.port = free_port()
        self.process = subprocess.Popen(
            [sys.executable, SERVER, "--port", str(self.port), *options],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        # It prints its address once it listens.
        assert "listening" in self.process.stdout.readline()

    def get(self, path):
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        connection.request("GET", path)
        response = connection.getresponse()
        return response.status, response.getheader("Content-Type"), response.read()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.process.kill()
        self.process.wait()
        self.process.stdout.close()


class IpEchoTest(unittest.TestCase):
    def test_normal_mode_names_the_caller(self):
        with EchoServer() as server:
            self.assertEqual(server.get("/whip2.php"), (200, "text/plain", b"127.0.0.1"))
            status, kind, page = server.get("/your-visible-ip.php")
            self.assertEqual((status, kind), (200, "text/html"))
            self.assertIn(b"<b>127.0.0.1</b>", page)
            self.assertEqual(server.get("/other")[0], 404)

    def test_failure_modes_change_only_the_address_answer(self):
        for mode, expected in [("404", 404), ("500", 500)]:
            with EchoServer("--mode", mode) as server:
                self.assertEqual(server.get("/whip2.php")[0], expected)
                self.assertEqual(server.get("/your-visible-ip.php")[0], 200)
        with EchoServer("--mode", "oversize", "--oversize-bytes", "300000") as server:
            self.assertEqual(len(server.get("/whip2.php")[2]), 300000)
        with EchoServer("--mode", "nul") as server:
            self.assertEqual(server.get("/whip2.php")[2], b"127\0.0.0.1")

    def test_refuses_to_listen_beyond_loopback(self):
        result = subprocess.run([sys.executable, SERVER, "--host", "0.0.0.0", "--port", "1"],
                                capture_output=True, timeout=30)
        self.assertNotEqual(result.returncode, 0)


if __name__ == "__main__":
    unittest.main()
