"""Notice server for the tests: plain HTTP on 127.0.0.1 at a port the system
picks (printed on one line). It answers as ntfy and Gotify document their
publishing APIs, and records webhook calls:

  POST|PUT /message   Gotify: application token in X-Gotify-Key or ?token=,
                      a JSON body with "message" (required), "title", "priority"
  POST|PUT /hook...   a webhook: answered with FOLDER/answer's status (200 when
                      missing)
  POST|PUT /<topic>   ntfy: the body is the message; Title/X-Title/t, Priority/
                      X-Priority/p; "Authorization: Bearer <token>"
  GET /hook...        a webhook without a body

FOLDER/tokens holds the ntfy access token on its first line and the Gotify
application token on its second. FOLDER/answer, when present, holds a status
every request gets instead. Each request is appended to FOLDER/requests as one
JSON line: method, path, headers, the body in hexadecimal, and what the
service made of it.

usage: notice_server.py FOLDER [PORT]
"""
import email.header
import json
import os
import sys
import time

import http_peer


def decoded(value):
    if value is None:
        return None
    parts = email.header.decode_header(value)
    return "".join(p.decode(c or "utf-8") if isinstance(p, bytes) else p for p, c in parts)


def main():
    folder = sys.argv[1]

    def read(name):
        try:
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return None

    class Handler(http_peer.Handler):
        def handle_any(self):
            body = self.body()
            path, _, query = self.path.partition("?")
            record = {"method": self.command, "path": self.path,
                      "headers": {k.lower(): v for k, v in self.headers.items()},
                      "body": body.hex()}
            tokens = (read("tokens") or "\n").split("\n")
            forced = read("answer")
            status, document = 200, {}
            if forced:
                status, document = int(forced.split()[0]), {"error": "forced"}
            elif path == "/message":
                key = self.headers.get("X-Gotify-Key") or dict(
                    p.partition("=")[::2] for p in query.split("&") if p).get("token")
                try:
                    message = json.loads(body)
                except ValueError:
                    message = None
                if key != tokens[1]:
                    status, document = 401, {"error": "Unauthorized", "errorCode": 401,
                                             "errorDescription": "you need to provide a valid access token or user credentials to access this api"}
                elif not isinstance(message, dict) or not message.get("message"):
                    status, document = 400, {"error": "Bad Request", "errorCode": 400,
                                             "errorDescription": "Field 'message' is required"}
                else:
                    document = {"id": 1, "appid": 1, "message": message["message"],
                                "title": message.get("title", ""), "priority": message.get("priority", 0),
                                "date": time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime())}
                    record["gotify"] = document
            elif path.startswith("/hook"):
                pass
            else:
                auth = self.headers.get("Authorization")
                if tokens[0] and auth != "Bearer " + tokens[0]:
                    status, document = (401 if auth is None else 403), {"code": 40101, "http": 401, "error": "unauthorized"}
                else:
                    h = self.headers
                    document = {"id": "x1", "time": int(time.time()), "event": "message", "topic": path[1:],
                                "message": body.decode("utf-8"),
                                "title": decoded(h.get("X-Title") or h.get("Title") or h.get("t")),
                                "priority": h.get("X-Priority") or h.get("Priority") or h.get("p")}
                    record["ntfy"] = document
            http_peer.record(folder, record)
            self.reply(status, json.dumps(document).encode() if status != 204 else b"")

        do_GET = do_POST = do_PUT = handle_any

    http_peer.serve(Handler, int(sys.argv[2]) if len(sys.argv) > 2 else 0)


if __name__ == "__main__":
    main()
