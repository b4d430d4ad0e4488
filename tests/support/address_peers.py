#!/usr/bin/python3
"""Peers of the address sources, for the tests: each prints its port as its first line once it answers.

  address_peers.py dns [--answer IP]             DNS on UDP 127.0.0.1: whoami.cloudflare CH TXT and
                                                 myip.opendns.com A, answered with the asker's address
  address_peers.py stun [--answer IP] [--bad K]  STUN binding answers on UDP 127.0.0.1; with --bad, a spoiled
                                                 answer (wrong-id, truncated, cookie) goes first
  address_peers.py coturn DBFILE                 coturn's turnserver, STUN only, on 127.0.0.1
  address_peers.py router --wan IP --host IP     an Internet Gateway Device (SSDP, description, SOAP) and
                                                 NAT-PMP telling the WAN address; only in a private namespace,
                                                 or with --http-only the description and SOAP alone

A UDP peer also listens on TCP at the same port, so that a connect tells when it is ready.
"""
import argparse
import http.server
import os
import signal
import subprocess
import time
import socket
import struct
import sys
import threading

import http_peer
from peer_lifetime import end_with_parent

COOKIE = 0x2112A442


def udp_with_ready_port(host="127.0.0.1"):
    for _ in range(50):
        udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        udp.bind((host, 0))
        port = udp.getsockname()[1]
        tcp = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        tcp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            tcp.bind((host, port))
        except OSError:
            udp.close()
            tcp.close()
            continue
        tcp.listen(8)
        threading.Thread(target=drain_connections, args=(tcp,), daemon=True).start()
        return udp, port
    sys.exit("no free port")


def drain_connections(tcp):
    while True:
        conn, _ = tcp.accept()
        conn.close()


def announce(port):
    print(port, flush=True)


# --- DNS ---------------------------------------------------------------------------------------------------

def read_name(data, at):
    labels = []
    while True:
        length = data[at]
        at += 1
        if length == 0:
            return ".".join(labels).lower(), at
        labels.append(data[at:at + length].decode("ascii", "replace"))
        at += length


def dns_answer(query, address):
    qid, flags = struct.unpack("!HH", query[:4])
    name, at = read_name(query, 12)
    qtype, qclass = struct.unpack("!HH", query[at:at + 4])
    question = query[12:at + 4]
    if name == "whoami.cloudflare" and qtype == 16 and qclass == 3:
        text = address.encode()
        rdata = bytes([len(text)]) + text
    elif name == "myip.opendns.com" and qtype == 1 and qclass == 1:
        rdata = socket.inet_aton(address)
    else:
        return struct.pack("!HHHHHH", qid, 0x8183 | (flags & 0x0100), 1, 0, 0, 0) + question
    record = struct.pack("!HHHIH", 0xC00C, qtype, qclass, 0, len(rdata)) + rdata
    return struct.pack("!HHHHHH", qid, 0x8180 | (flags & 0x0100), 1, 1, 0, 0) + question + record


def run_dns(args):
    udp, port = udp_with_ready_port()
    announce(port)
    while True:
        query, peer = udp.recvfrom(4096)
        try:
            udp.sendto(dns_answer(query, args.answer or peer[0]), peer)
        except (IndexError, struct.error):
            pass


# --- STUN --------------------------------------------------------------------------------------------------

def stun_answer(tid, address, port, bad=None):
    value = struct.pack("!BBH", 0, 1, port ^ (COOKIE >> 16)) + struct.pack(
        "!I", struct.unpack("!I", socket.inet_aton(address))[0] ^ COOKIE)
    attribute = struct.pack("!HH", 0x0020, len(value)) + value
    cookie = COOKIE
    if bad == "wrong-id":
        tid = bytes(b ^ 0xFF for b in tid)
    elif bad == "truncated":
        attribute = attribute[:8]
    elif bad == "cookie":
        cookie ^= 1
    return struct.pack("!HHI", 0x0101, len(attribute), cookie) + tid + attribute


def run_stun(args):
    udp, port = udp_with_ready_port()
    announce(port)
    while True:
        request, peer = udp.recvfrom(4096)
        if len(request) < 20 or request[:2] != b"\x00\x01":
            continue
        tid = request[8:20]
        if args.bad:
            udp.sendto(stun_answer(tid, "198.51.100.99", peer[1], args.bad), peer)
        udp.sendto(stun_answer(tid, args.answer or peer[0], peer[1]), peer)


def start_coturn(args):
    """turnserver on a free port, or None when it ended or did not listen within its time."""
    probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    server = subprocess.Popen([
        "/usr/bin/turnserver", "-n", "--stun-only", "--listening-ip=127.0.0.1", f"--listening-port={port}",
        "--no-tls", "--no-dtls", "--no-cli", "--log-file=stdout", "--simple-log", f"--userdb={args.dbfile}",
        f"--pidfile={args.dbfile}.pid"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        preexec_fn=end_with_parent)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline and server.poll() is None:
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return server, port
        except OSError:
            time.sleep(0.05)
    server.terminate()
    server.wait()
    return None


def run_coturn(args):
    # The probed port may be taken by another test before turnserver binds it: then a new one is tried.
    for _ in range(5):
        started = start_coturn(args)
        if started:
            break
    else:
        sys.exit("turnserver did not start")
    server, port = started
    # No wait inside the handler: the main thread may hold the child's wait lock.
    signal.signal(signal.SIGTERM, lambda *unused: (server.terminate(), os._exit(0)))
    announce(port)
    server.wait()


# --- Router ------------------------------------------------------------------------------------------------

IGD = "urn:schemas-upnp-org:device:InternetGatewayDevice:1"
WANIP = "urn:schemas-upnp-org:service:WANIPConnection:1"
DESCRIPTION = f"""<?xml version="1.0"?>
<root xmlns="urn:schemas-upnp-org:device-1-0"><specVersion><major>1</major><minor>0</minor></specVersion>
<device><deviceType>{IGD}</deviceType><friendlyName>Test router</friendlyName>
<UDN>uuid:6b0c4d3e-0000-4000-8000-000000000001</UDN>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANDevice:1</deviceType>
<serviceList><service><serviceType>urn:schemas-upnp-org:service:WANCommonInterfaceConfig:1</serviceType>
<serviceId>urn:upnp-org:serviceId:WANCommonIFC1</serviceId><controlURL>/ctl/CmnIfCfg</controlURL>
<eventSubURL>/evt/CmnIfCfg</eventSubURL><SCPDURL>/WANCfg.xml</SCPDURL></service></serviceList>
<deviceList><device><deviceType>urn:schemas-upnp-org:device:WANConnectionDevice:1</deviceType>
<serviceList><service><serviceType>{WANIP}</serviceType><serviceId>urn:upnp-org:serviceId:WANIPConn1</serviceId>
<controlURL>/ctl/IPConn</controlURL><eventSubURL>/evt/IPConn</eventSubURL><SCPDURL>/WANIPCn.xml</SCPDURL>
</service></serviceList></device></deviceList></device></deviceList></device></root>
"""


def soap(action, service, fields):
    body = "".join(f"<{k}>{v}</{k}>" for k, v in fields)
    return (f'<?xml version="1.0"?>\r\n<s:Envelope xmlns:s="http://schemas.xmlsoap.org/soap/envelope/" '
            f's:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/"><s:Body>'
            f'<u:{action}Response xmlns:u="{service}">{body}</u:{action}Response></s:Body></s:Envelope>\r\n')


def router_handler(wan):
    class Handler(http_peer.Handler):
        protocol_version = "HTTP/1.0"

        def reply(self, status, text):
            super().reply(status, text.encode(), 'text/xml; charset="utf-8"', [("Connection", "close")])

        def do_GET(self):
            self.reply(200, DESCRIPTION) if self.path == "/rootDesc.xml" else self.reply(404, "")

        def do_POST(self):
            self.body()
            service, _, action = self.headers.get("SOAPAction", "").strip('"').partition("#")
            if action == "GetExternalIPAddress":
                self.reply(200, soap(action, service, [("NewExternalIPAddress", wan)]))
            elif action == "GetStatusInfo":
                self.reply(200, soap(action, service, [("NewConnectionStatus", "Connected"),
                                                       ("NewLastConnectionError", "ERROR_NONE"),
                                                       ("NewUptime", "100")]))
            elif action == "GetCommonLinkProperties":
                self.reply(200, soap(action, service, [("NewWANAccessType", "Ethernet"),
                                                       ("NewLayer1UpstreamMaxBitRate", "1000000"),
                                                       ("NewLayer1DownstreamMaxBitRate", "1000000"),
                                                       ("NewPhysicalLinkStatus", "Up")]))
            else:
                self.reply(500, "")
    return Handler


def run_router(args):
    server = http.server.ThreadingHTTPServer(("0.0.0.0", 0), router_handler(args.wan))
    port = server.server_address[1]
    if args.http_only:
        announce(port)
        server.serve_forever()
    ssdp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    ssdp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    ssdp.bind(("", 1900))
    ssdp.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                    socket.inet_aton("239.255.255.250") + socket.inet_aton("0.0.0.0"))
    natpmp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    natpmp.bind((args.host, 5351))

    def answer_ssdp():
        while True:
            data, peer = ssdp.recvfrom(4096)
            text = data.decode("latin-1")
            if not text.startswith("M-SEARCH"):
                continue
            st = next((line.split(":", 1)[1].strip() for line in text.split("\r\n")
                       if line.upper().startswith("ST:")), IGD)
            ssdp.sendto((f"HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=120\r\nST: {st}\r\n"
                         f"USN: uuid:6b0c4d3e-0000-4000-8000-000000000001::{st}\r\nEXT:\r\n"
                         f"SERVER: Linux/6 UPnP/1.1 TestRouter/1\r\n"
                         f"LOCATION: http://{args.host}:{port}/rootDesc.xml\r\n\r\n").encode(), peer)

    def answer_natpmp():
        while True:
            data, peer = natpmp.recvfrom(64)
            if len(data) >= 2 and data[0] == 0 and data[1] == 0:
                natpmp.sendto(struct.pack("!BBHI", 0, 128, 0, 1000) + socket.inet_aton(args.wan), peer)

    threading.Thread(target=answer_ssdp, daemon=True).start()
    threading.Thread(target=answer_natpmp, daemon=True).start()
    announce(port)
    server.serve_forever()


def main():
    end_with_parent()
    parser = argparse.ArgumentParser()
    sub = parser.add_subparsers(dest="peer", required=True)
    dns = sub.add_parser("dns")
    dns.add_argument("--answer")
    stun = sub.add_parser("stun")
    stun.add_argument("--answer")
    stun.add_argument("--bad", choices=["wrong-id", "truncated", "cookie"])
    coturn = sub.add_parser("coturn")
    coturn.add_argument("dbfile")
    router = sub.add_parser("router")
    router.add_argument("--wan", required=True)
    router.add_argument("--host", required=True)
    router.add_argument("--http-only", action="store_true")
    args = parser.parse_args()
    {"dns": run_dns, "stun": run_stun, "coturn": run_coturn, "router": run_router}[args.peer](args)


if __name__ == "__main__":
    main()
