"""DNS provider API server for the tests, after the shapes the providers document:
Cloudflare's v4 (/client/v4/zones, .../dns_records with GET, POST and PATCH,
Bearer token, success/errors[] answers) and Porkbun's JSON v3 (/api/json/v3/dns/
retrieveByNameType, create, edit, key and secret in the body). Listens on
127.0.0.1 at a port the system picks (printed on one line).

FOLDER/state.json holds {"token", "apikey", "secret", "zones": [{"id", "name"}],
"records": [{"id", "zone", "type", "name", "content", "proxied", "ttl", "comment"}]};
it is read at start and written back after each change. FOLDER/canned holds
answers to give instead, one JSON object a line ({"status", "body", "headers"}),
taken from the top one per request. Each request is appended to FOLDER/requests
as one JSON line (method, path, authorization, body).

usage: dns_api_server.py FOLDER
"""
import json
import os
import sys
from urllib.parse import unquote

import http_peer


def main():
    folder = sys.argv[1]
    state_file = os.path.join(folder, "state.json")
    with open(state_file, encoding="utf-8") as f:
        state = json.load(f)
    counter = [100]

    def save():
        with open(state_file + ".tmp", "w", encoding="utf-8") as f:
            json.dump(state, f)
        os.replace(state_file + ".tmp", state_file)

    def canned():
        path = os.path.join(folder, "canned")
        try:
            with open(path, encoding="utf-8") as f:
                lines = [line for line in f.read().splitlines() if line.strip()]
        except FileNotFoundError:
            return None
        if not lines:
            return None
        with open(path, "w", encoding="utf-8") as f:
            f.write("".join(line + "\n" for line in lines[1:]))
        return json.loads(lines[0])

    def cloudflare(method, path, query, body, auth):
        if auth != "Bearer " + state["token"]:
            return 403, {"success": False, "errors": [{"code": 9109, "message": "Invalid access token"}],
                         "messages": [], "result": None}
        parts = path.split("/")[3:]  # after /client/v4
        if parts == ["zones"] and method == "GET":
            zones = [z for z in state["zones"] if z["name"] == query.get("name")]
            return 200, {"success": True, "errors": [], "messages": [], "result": zones}
        if len(parts) >= 3 and parts[0] == "zones" and parts[2] == "dns_records":
            zone = parts[1]
            if method == "GET":
                found = [r for r in state["records"] if r["zone"] == zone and r["type"] == query.get("type")
                         and r["name"] == query.get("name")]
                return 200, {"success": True, "errors": [], "messages": [], "result": found}
            if method == "POST":
                counter[0] += 1
                record = dict(body, id="rec%d" % counter[0], zone=zone, comment=None)
                state["records"].append(record)
                save()
                return 200, {"success": True, "errors": [], "messages": [], "result": record}
            if method == "PATCH" and len(parts) == 4:
                for record in state["records"]:
                    if record["id"] == parts[3] and record["zone"] == zone:
                        record.update(body)
                        save()
                        return 200, {"success": True, "errors": [], "messages": [], "result": record}
                return 404, {"success": False, "errors": [{"code": 81044, "message": "Record not found"}]}
        return 404, {"success": False, "errors": [{"code": 7003, "message": "Could not route"}]}

    def porkbun(path, body):
        if body.get("apikey") != state["apikey"] or body.get("secretapikey") != state["secret"]:
            return 400, {"status": "ERROR", "message": "Invalid API key. (002)"}
        parts = path.split("/")[5:]  # after /api/json/v3/dns
        action, domain = parts[0], parts[1]
        full = lambda sub: (sub + "." if sub else "") + domain
        if action == "retrieveByNameType":
            found = [dict(r, ttl=str(r["ttl"])) for r in state["records"]
                     if r["zone"] == domain and r["type"] == parts[2] and r["name"] == full(parts[3] if len(parts) > 3 else "")]
            return 200, {"status": "SUCCESS", "records": found}
        if action == "create":
            counter[0] += 1
            state["records"].append({"id": str(counter[0]), "zone": domain, "type": body["type"],
                                     "name": full(body.get("name", "")), "content": body["content"],
                                     "ttl": int(body.get("ttl", 600))})
            save()
            return 200, {"status": "SUCCESS", "id": counter[0]}
        if action == "edit":
            for record in state["records"]:
                if record["id"] == parts[2] and record["zone"] == domain:
                    record.update(content=body["content"], type=body["type"])
                    save()
                    return 200, {"status": "SUCCESS"}
        return 400, {"status": "ERROR", "message": "Invalid record."}

    class Handler(http_peer.Handler):
        def answer(self):
            raw = self.body()
            path, _, qs = self.path.partition("?")
            query = {k: unquote(v) for k, v in (p.split("=", 1) for p in qs.split("&") if "=" in p)}
            http_peer.record(folder, {"method": self.command, "path": self.path,
                                      "authorization": self.headers.get("Authorization", ""),
                                      "body": raw.decode("utf-8", "replace")})
            headers = {}
            reply = canned()
            if reply is not None:
                status, payload, headers = reply["status"], reply["body"], reply.get("headers", {})
            else:
                body = json.loads(raw) if raw else {}
                if path.startswith("/client/v4/"):
                    status, payload = cloudflare(self.command, path, query, body, self.headers.get("Authorization", ""))
                else:
                    status, payload = porkbun(path, body)
            self.reply(status, json.dumps(payload).encode(), headers=headers.items())

        do_GET = do_POST = do_PATCH = answer

    http_peer.serve(Handler)


if __name__ == "__main__":
    main()
