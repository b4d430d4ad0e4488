"""What the tests' own HTTP peers share: a quiet HTTP/1.1 handler, a request log of JSON lines, and
serving on 127.0.0.1 at a port the system picks, printed on one line once it listens."""
import http.server
import json
import os

from peer_lifetime import end_with_parent


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def body(self):
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length else b""

    def reply(self, status, data, content_type="application/json", headers=()):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(data)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        self.wfile.write(data)


def record(folder, entry):
    with open(os.path.join(folder, "requests"), "a", encoding="utf-8") as log:
        log.write(json.dumps(entry) + "\n")


def serve(handler, port=0, host="127.0.0.1", server_class=http.server.HTTPServer):
    end_with_parent()
    server_class.allow_reuse_address = True
    server = server_class((host, port), handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()
