#!/usr/bin/env python3
"""Serves one small HTML page to every GET on 127.0.0.1 (a free port) for the
benches: the program loads only web addresses, so a file:// page would be
refused. Prints the port, then serves until killed.
   usage: serve_page.py [title]"""
import http.server
import sys

TITLE = sys.argv[1] if len(sys.argv) > 1 else "small"
BODY = ("<html><head><title>%s</title></head><body><p>A small local page.</p></body></html>\n"
        % TITLE).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(BODY)))
        self.end_headers()
        self.wfile.write(BODY)

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
