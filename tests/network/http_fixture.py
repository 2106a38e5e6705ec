"""A small HTTP server on 127.0.0.1 that the network tests fetch from.

Routes (the path is percent-decoded before it is matched):
  /hello.txt        200, a short text
  /with space é.txt 200, a text behind a path with a blank and a non-ASCII character
  /missing          404, with a body of its own
  /redirect         302 to /hello.txt
  /utf8             200, a UTF-8 body with non-ASCII characters
  /invalid-utf8     200, a body holding bytes that are not UTF-8
  /slow             200, but only after SLOW_SECONDS
Any other path gets a 404 with an empty body. Every request path is logged for the harness.

Run alone (python3 http_fixture.py) it prints its port and serves until interrupted.
"""

import http.server
import socketserver
import threading
import time
import urllib.parse

SLOW_SECONDS = 10

ROUTES = {
    "/hello.txt": (200, b"Hello from the fixture\n"),
    "/with space \u00e9.txt": (200, b"odd path\n"),
    "/missing": (404, b"no such page\n"),
    "/utf8": (200, "caf\u00e9 \u20ac \U0001f600\n".encode("utf-8")),
    "/invalid-utf8": (200, b"a\xffb\xc3(c\n"),
    "/slow": (200, b"too late\n"),
}


class Fixture(socketserver.ThreadingMixIn, http.server.HTTPServer):
    """The server; `requests` lists the raw request paths in the order they arrived."""

    daemon_threads = True
    allow_reuse_address = True

    def __init__(self):
        super().__init__(("127.0.0.1", 0), Handler)
        self.requests = []
        self.lock = threading.Lock()

    @property
    def port(self):
        return self.server_address[1]

    def take_requests(self):
        """Returns the paths requested since the last call and forgets them."""
        with self.lock:
            taken, self.requests = self.requests, []
        return taken


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        with self.server.lock:
            self.server.requests.append(self.path)
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path)
        try:
            if path == "/redirect":
                self.reply(302, b"", [("Location", "/hello.txt")])
                return
            if path == "/slow":
                time.sleep(SLOW_SECONDS)
            status, body = ROUTES.get(path, (404, b""))
            self.reply(status, body, [])
        except (BrokenPipeError, ConnectionResetError):
            pass  # The client gave up waiting (the slow route); nobody is left to answer.

    def reply(self, status, body, headers):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, format, *args):
        pass


def start():
    """Starts a fixture on a free port in a background thread and returns it."""
    server = Fixture()
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def stop(server):
    server.shutdown()
    server.server_close()


if __name__ == "__main__":
    fixture = start()
    print(fixture.port, flush=True)
    try:
        while True:
            time.sleep(3600)
    except KeyboardInterrupt:
        stop(fixture)
