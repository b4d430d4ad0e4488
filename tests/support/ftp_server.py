"""FTP server for the integration tests: serves ROOT on 127.0.0.1 at a port
the system picks, prints that port on one line, and runs until killed.

usage: ftp_server.py ROOT USER PASSWORD [--reader NAME PASSWORD] [--refuse-active]
The optional reader account may list and read but never store. With
--refuse-active the server answers PORT and EPRT with 425, as one that cannot
reach the client (behind NAT) does.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer

from peer_lifetime import end_with_parent


class VerbatimDTPHandler(DTPHandler):
    """Stores ASCII uploads byte for byte, as a server whose native line end
    is CR LF does, so a test sees exactly what the client sent."""

    def _posix_ascii_data_wrapper(self, chunk):
        return chunk


class NoActiveHandler(FTPHandler):
    def ftp_PORT(self, line):
        self.respond("425 Can't open data connection.")

    def ftp_EPRT(self, line):
        self.respond("425 Can't open data connection.")


def main():
    end_with_parent()
    parser = argparse.ArgumentParser()
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--reader", nargs=2, metavar=("NAME", "PASSWORD"))
    parser.add_argument("--refuse-active", action="store_true")
    args = parser.parse_args()

    logging.basicConfig(level=logging.WARNING)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")
    if args.reader:
        authorizer.add_user(args.reader[0], args.reader[1], args.root, perm="elr")

    handler = NoActiveHandler if args.refuse_active else FTPHandler
    handler.authorizer = authorizer
    handler.dtp_handler = VerbatimDTPHandler
    # A failed login would otherwise stall the reply for seconds.
    handler.auth_failed_timeout = 0
    handler.banner = "kestrune test server ready"

    server = FTPServer(("127.0.0.1", 0), handler)
    print(server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
