#!/usr/bin/env python3
"""A real browser through Velquin, run by scripts/netns-run.

The installed service "Velquin" brings up its tunnel and the local proxy;
Chromium (headless, driven over its DevTools pipe) browses through
127.0.0.1:8081 as a user's browser would: two sites that each set a cookie
of 4 KiB, a page with 20 images from each, a page over HTTPS whose images
are HTTPS too (CONNECT), a 20 MB download and a 1 MB form POST. Every image
must load, every request must reach its own site with its own cookie, and
the download and the POST must arrive whole. The sites run here, on
127.0.0.1, under names the runner maps there (VELQUIN_NETNS_HOSTS), and
every request must reach them from the tunnel's exit, never directly.
Under `netns-run --onion` the tunnel is the real client on the private
onion network.
"""
import hashlib
import http.server
import json
import os
import queue
import random
import shutil
import ssl
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

SITE_A, SITE_B, SITE_S = "a.velquin.test", "b.velquin.test", "s.velquin.test"
PORT_A, PORT_B, PORT_S = 8001, 8002, 8443
IMAGES = 20


def png_pixel():
    """A 1x1 PNG image, chunk by chunk."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data)))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 1, 1, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(b"\x00\xff\x00\x00\xff")) + chunk(b"IEND", b""))


PNG = png_pixel()
DOWNLOAD = random.Random(20261209).randbytes(20 << 20)
FORM_VALUE = ("abcdefghijklmnopqrstuvwxyz" * 40330)[:1 << 20]


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, condition, seconds=60):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            fail(f"{what} did not happen within {seconds} s")
        time.sleep(0.2)


def wine(*args):
    return subprocess.run([os.environ["WINELOADER"], *args], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=120).stdout


def tunnel_ready():
    return "0x1" in wine("reg", "query", r"HKLM\Software\Velquin", "/v", "Ready")


class Site(http.server.ThreadingHTTPServer):
    """One web site on 127.0.0.1: it answers its pages and records every
    request it gets (method, path, Host, Cookie, a digest of the body)."""

    daemon_threads = True

    def __init__(self, name, port, pages, tls=None):
        self.name, self.pages, self.requests = name, pages, []
        self.lock = threading.Lock()
        super().__init__(("127.0.0.1", port), SiteHandler)
        if tls:
            self.socket = tls.wrap_socket(self.socket, server_side=True)
        threading.Thread(target=self.serve_forever, daemon=True).start()

    def seen(self, path_prefix):
        with self.lock:
            return [r for r in self.requests if r["path"].startswith(path_prefix)]


class SiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"  # kept connections, as real sites do

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        with self.server.lock:
            self.server.requests.append({
                "peer": self.client_address[0], "method": self.command, "path": self.path, "host": self.headers.get("Host"),
                "cookie": self.headers.get("Cookie"), "length": len(body),
                "sha256": hashlib.sha256(body).hexdigest()})
        for prefix, page in self.server.pages.items():
            if self.path.startswith(prefix):
                status, headers, content = page(self.path)
                break
        else:
            status, headers, content = 404, {}, b"not here"
        self.send_response(status)
        for name, value in {"Cache-Control": "no-store", **headers}.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(content)))
        self.end_headers()
        self.wfile.write(content)

    do_GET = do_POST = handle_any


def html(text, headers=None):
    return lambda path: (200, {"Content-Type": "text/html", **(headers or {})}, text.encode())


def image(path):
    return 200, {"Content-Type": "image/png"}, PNG


class Browser:
    """Chromium, headless, driven over the DevTools protocol on its pipe
    (commands on its descriptor 3, answers and events on 4)."""

    def __init__(self, profile, downloads):
        to_browser, self.commands = os.pipe()
        self.answers, from_browser = os.pipe()
        flags = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--ignore-certificate-errors",
                 "--remote-debugging-pipe", "--proxy-server=http://127.0.0.1:8081",
                 f"--user-data-dir={profile}", "about:blank"]
        self.process = subprocess.Popen(
            ["bash", "-c", f'exec chromium "$@" 3<&{to_browser} 4>&{from_browser}', "chromium",
             *flags], pass_fds=(to_browser, from_browser), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser)
        os.close(from_browser)
        self.next_id, self.replies, self.events = 0, {}, queue.Queue()
        self.arrived = threading.Condition()
        threading.Thread(target=self.read, daemon=True).start()
        self.call("Browser.setDownloadBehavior", behavior="allowAndName",
                  downloadPath=downloads, eventsEnabled=True)
        page = next(t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]
        self.call("Page.enable", session=self.session)

    def read(self):
        pending = b""
        while chunk := os.read(self.answers, 1 << 16):
            pending += chunk
            *messages, pending = pending.split(b"\0")
            for text in messages:
                message = json.loads(text)
                with self.arrived:
                    if "id" in message:
                        self.replies[message["id"]] = message
                        self.arrived.notify_all()
                    else:
                        self.events.put(message)

    def call(self, method, session=None, timeout=60, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.commands, json.dumps(message).encode() + b"\0")
        with self.arrived:
            if not self.arrived.wait_for(lambda: self.next_id in self.replies, timeout):
                fail(f"the browser did not answer {method}")
            reply = self.replies.pop(self.next_id)
        if "error" in reply:
            fail(f"{method}: {reply['error']}")
        return reply["result"]

    def wait_event(self, method, seconds=120, **match):
        deadline = time.monotonic() + seconds
        while True:
            try:
                event = self.events.get(timeout=max(0.1, deadline - time.monotonic()))
            except queue.Empty:
                fail(f"no {method} within {seconds} s")
            params = event.get("params", {})
            if event["method"] == method and all(params.get(k) == v for k, v in match.items()):
                return params

    def navigate(self, url):
        while not self.events.empty():
            self.events.get_nowait()
        self.call("Page.navigate", session=self.session, url=url)

    def load(self, url):
        self.navigate(url)
        self.wait_event("Page.loadEventFired")

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", session=self.session, expression=expression,
                         returnByValue=True, awaitPromise=True)["result"].get("value")

    def close(self):
        self.process.kill()
        self.process.wait()


LOADED_IMAGES = "Array.from(document.images).filter(i => i.complete && i.naturalWidth > 0).length"


def image_page(sites):
    tags = "".join(f'<img src="{scheme}://{host}:{port}/img/{tag}/{i}.png">'
                   for scheme, host, port, tag in sites for i in range(IMAGES))
    return html(f"<html><body>{tags}</body></html>")


def make_certificate(folder):
    key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key,
                    "-out", cert, "-days", "1", "-subj", f"/CN={SITE_S}",
                    "-addext", f"subjectAltName=DNS:{SITE_S}"], check=True, capture_output=True)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(cert, key)
    return context


def check_site(site, tag, cookie):
    """Every image request of `site` is for its own images and carries its own cookie."""
    images = site.seen("/img/")
    paths = sorted(r["path"] for r in images)
    expected = sorted(f"/img/{tag}/{i}.png" for i in range(IMAGES))
    if paths != expected:
        fail(f"{site.name} got image requests {paths}, not its own {IMAGES}")
    wrong = [r["path"] for r in images if r["cookie"] != cookie]
    if wrong:
        fail(f"{site.name}: {len(wrong)} requests without its cookie, such as {wrong[0]}")


def main():
    work = tempfile.mkdtemp(prefix="velquin-browser-")
    cookies = {tag: f"{tag}_big=" + "".join(random.Random(tag).choices("abcdefghij", k=4000))
               for tag in "ab"}
    a_page = image_page([("http", SITE_A, PORT_A, "a"), ("http", SITE_B, PORT_B, "b")])
    form = html("<html><body><form method=post action=/upload><textarea name=t></textarea>"
                "</form><script>document.forms[0].t.value = 'abcdefghijklmnopqrstuvwxyz'"
                ".repeat(40330).slice(0, 1 << 20)</script></body></html>")
    site_a = Site(SITE_A, PORT_A, {
        "/cookie": html("set", {"Set-Cookie": cookies["a"] + "; Path=/"}),
        "/page": a_page, "/img/": image, "/form": form, "/upload": html("thanks"),
        "/big.bin": lambda path: (200, {"Content-Type": "application/octet-stream",
                                        "Content-Disposition": "attachment; filename=big.bin"},
                                  DOWNLOAD)})
    site_b = Site(SITE_B, PORT_B, {
        "/cookie": html("set", {"Set-Cookie": cookies["b"] + "; Path=/"}), "/img/": image})
    site_s = Site(SITE_S, PORT_S, {
        "/page": image_page([("https", SITE_S, PORT_S, "s")]), "/img/": image},
        tls=make_certificate(work))

    wine("sc", "start", "Velquin")
    wait_for("Ready = 1", tunnel_ready, 120)
    os.mkdir(os.path.join(work, "downloads"))
    browser = Browser(os.path.join(work, "profile"), os.path.join(work, "downloads"))
    try:
        browser.load(f"http://{SITE_A}:{PORT_A}/cookie")
        browser.load(f"http://{SITE_B}:{PORT_B}/cookie")
        browser.load(f"http://{SITE_A}:{PORT_A}/page")
        loaded = browser.evaluate(LOADED_IMAGES)
        if loaded != 2 * IMAGES:
            fail(f"{loaded} of {2 * IMAGES} images loaded from the two sites")
        check_site(site_a, "a", cookies["a"])
        check_site(site_b, "b", cookies["b"])
        print(f"two sites with 4 KiB cookies: {loaded} images, each with its own cookie")

        browser.load(f"https://{SITE_S}:{PORT_S}/page")
        loaded = browser.evaluate(LOADED_IMAGES)
        if loaded != IMAGES or len(site_s.seen("/img/")) != IMAGES:
            fail(f"{loaded} of {IMAGES} images loaded over HTTPS")
        print(f"HTTPS through CONNECT: {loaded} images")

        started = time.monotonic()
        browser.navigate(f"http://{SITE_A}:{PORT_A}/big.bin")
        guid = browser.wait_event("Browser.downloadWillBegin")["guid"]
        browser.wait_event("Browser.downloadProgress", guid=guid, state="completed")
        with open(os.path.join(work, "downloads", guid), "rb") as f:
            if hashlib.sha256(f.read()).digest() != hashlib.sha256(DOWNLOAD).digest():
                fail("the 20 MB download did not arrive whole")
        print(f"20 MB download whole in {time.monotonic() - started:.1f} s")

        browser.load(f"http://{SITE_A}:{PORT_A}/form")
        browser.evaluate("document.forms[0].submit()")
        wait_for("the form's POST", lambda: site_a.seen("/upload"))
        posted = site_a.seen("/upload")[0]
        body = ("t=" + FORM_VALUE).encode()
        if posted["method"] != "POST" or posted["sha256"] != hashlib.sha256(body).hexdigest():
            fail(f"the 1 MB form arrived as {posted['method']} of {posted['length']} bytes")
        print(f"1 MB form POST whole ({posted['length']} bytes)")
        exits = {r["peer"] for site in (site_a, site_b, site_s) for r in site.seen("/")}
        if "127.0.0.1" in exits:
            fail("a request reached a site directly, not through the tunnel")
        print("every request came through the tunnel, from " + ", ".join(sorted(exits)))
    finally:
        browser.close()
        wine("sc", "stop", "Velquin")
        shutil.rmtree(work, ignore_errors=True)
    print("PASS")


if __name__ == "__main__":
    main()
