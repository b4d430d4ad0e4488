"""Dynamic-DNS update server for the tests: answers every GET on 127.0.0.1 at a
port the system picks (printed on one line) with the answer the test last put
in FOLDER/answer ("<status>" on the first line, the body after it), and appends
one JSON line per request (path, Authorization, User-Agent) to FOLDER/requests.

usage: dns_update_server.py FOLDER
"""
import http.server
import json
import os
import sys

from peer_lifetime import end_with_parent


def main():
    end_with_parent()
    folder = sys.argv[1]

    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def do_GET(self):
            with open(os.path.join(folder, "requests"), "a", encoding="utf-8") as log:
                log.write(json.dumps({"path": self.path,
                                      "authorization": self.headers.get("Authorization", ""),
                                      "agent": self.headers.get("User-Agent", "")}) + "\n")
            try:
                with open(os.path.join(folder, "answer"), "rb") as f:
                    status, _, body = f.read().partition(b"\n")
            except FileNotFoundError:
                status, body = b"200", b"good"
            self.send_response(int(status))
            self.send_header("Content-Type", "text/plain")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
