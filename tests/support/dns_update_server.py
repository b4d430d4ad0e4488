"""Dynamic-DNS update server for the tests: answers every GET on 127.0.0.1 at a
port the system picks (printed on one line) with the answer the test last put
in FOLDER/answer ("<status>" on the first line, the body after it), and appends
one JSON line per request (path, Authorization, User-Agent) to FOLDER/requests.

usage: dns_update_server.py FOLDER
"""
import os
import sys

import http_peer


def main():
    folder = sys.argv[1]

    class Handler(http_peer.Handler):
        def do_GET(self):
            http_peer.record(folder, {"path": self.path, "authorization": self.headers.get("Authorization", ""),
                                      "agent": self.headers.get("User-Agent", "")})
            try:
                with open(os.path.join(folder, "answer"), "rb") as f:
                    status, _, body = f.read().partition(b"\n")
            except FileNotFoundError:
                status, body = b"200", b"good"
            self.reply(int(status), body, "text/plain")

    http_peer.serve(Handler)


if __name__ == "__main__":
    main()
