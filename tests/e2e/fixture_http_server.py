#!/usr/bin/env python3
"""The internet services' stand-in for the end-to-end run, on 127.0.0.1.

usage: fixture_http_server.py PORT_FILE FOLDER

Serves FOLDER/comets.txt as the comet elements, trickled so that the
download lasts a few seconds; while FOLDER/stall exists it sends the first
bytes only and holds the rest until the client leaves (a Stop). Survey tile
queries get FOLDER/tile.jpg as the survey image service answers (a JPEG);
each one is counted in FOLDER/tiles.log. While FOLDER/tile-answers holds
words (html, cut, gzip, redirect), tile queries get those bad answers in
turn instead: an HTML page, the picture cut short, the picture gzipped
without saying so, or a redirect that loops on /loop. Any other path is a
404. Every
path asked for is written to FOLDER/requests.log. The chosen port goes to
PORT_FILE once listening.
"""
import gzip
import http.server
import os
import select
import sys
import threading
import time

FOLDER = sys.argv[2]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    lock = threading.Lock()
    tiles = 0

    def log_message(self, *args):
        pass

    def body(self, data, content_type):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        return data

    def do_GET(self):
        with open(os.path.join(FOLDER, "requests.log"), "a") as log:
            log.write(self.path + "\n")
        if self.path == "/iau/Ephemerides/Comets/Soft06Cmt.txt":
            with open(os.path.join(FOLDER, "comets.txt"), "rb") as f:
                data = self.body(f.read(), "text/plain")
            if os.path.exists(os.path.join(FOLDER, "stall")):
                self.wfile.write(data[:40])
                self.wfile.flush()
                end = time.time() + 120
                while time.time() < end:  # held until the client goes
                    ready, _, _ = select.select([self.connection], [], [], 0.5)
                    if ready:
                        try:
                            if not self.connection.recv(1):
                                return
                        except OSError:
                            return
                return
            for at in range(0, len(data), 32):  # about 6 seconds for the fixture
                self.wfile.write(data[at:at + 32])
                self.wfile.flush()
                time.sleep(0.6)
            return
        if self.path.startswith("/loop"):
            self.send_response(302)
            self.send_header("Location", "/loop")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path.startswith("/cgi-bin/images?"):
            with open(os.path.join(FOLDER, "tiles.log"), "a") as log:
                log.write(self.path + "\n")
            with Handler.lock:
                Handler.tiles += 1
                count = Handler.tiles
            with open(os.path.join(FOLDER, "tile.jpg"), "rb") as f:
                data = f.read()
            answers = []
            if os.path.exists(os.path.join(FOLDER, "tile-answers")):
                with open(os.path.join(FOLDER, "tile-answers")) as f:
                    answers = f.read().split()
            if not answers:
                self.wfile.write(self.body(data, "image/jpeg"))
                return
            answer = answers[count % len(answers)]
            if answer == "html":
                page = b"<!DOCTYPE html><html><body><p>Service unavailable</p>" + b" " * 400 + b"</body></html>"
                self.wfile.write(self.body(page, "text/html"))
            elif answer == "cut":
                self.send_response(200)
                self.send_header("Content-Type", "image/jpeg")
                self.send_header("Content-Length", str(len(data)))
                self.end_headers()
                self.wfile.write(data[:len(data) // 3])
            elif answer == "gzip":
                self.wfile.write(self.body(gzip.compress(data), "image/jpeg"))
            else:
                self.send_response(302)
                self.send_header("Location", "/loop")
                self.send_header("Content-Length", "0")
                self.end_headers()
            return
        self.send_error(404)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
with open(sys.argv[1] + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(sys.argv[1] + ".tmp", sys.argv[1])
server.serve_forever()
