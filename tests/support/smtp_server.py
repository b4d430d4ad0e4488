"""SMTP server for the integration tests: listens on 127.0.0.1 at a port the
system picks, prints that port on one line, and runs until killed.

usage: smtp_server.py FOLDER [--tls CERT KEY | --starttls CERT KEY]
                        [--login USER PASSWORD [--mechanism LOGIN|PLAIN]]

Each accepted message is stored as FOLDER/<n>.eml (the data exactly as
received, dot-stuffing removed) with FOLDER/<n>.env beside it: one line
"MAIL FROM:<sender>", one "RCPT TO:<recipient>" per recipient, and
"<mechanism> <user>" ("LOGIN user") when the session logged in. With --tls
the server speaks TLS from the first byte; with --starttls it offers STARTTLS
and refuses mail from a session that did not use it. With --login it offers
AUTH LOGIN (or the --mechanism given), checks the given credentials, and
refuses mail from a session that has not logged in.
"""
import argparse
import asyncio
import logging
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

from peer_lifetime import end_with_parent


class StoringHandler:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, str(self.count))
        login = session.auth_data.login.decode("utf-8", "surrogateescape") \
            if isinstance(session.auth_data, LoginPassword) else None
        lines = ["MAIL FROM:<%s>" % envelope.mail_from]
        lines += ["RCPT TO:<%s>" % rcpt for rcpt in envelope.rcpt_tos]
        if login is not None:
            lines.append(getattr(session, "kestrune_mechanism", "?") + " " + login)
        with open(base + ".eml.part", "wb") as f:
            f.write(envelope.original_content)
        with open(base + ".env", "w", encoding="utf-8", errors="surrogateescape") as f:
            f.write("".join(line + "\n" for line in lines))
        # The message file appears last and whole: a test that sees it may read both.
        os.rename(base + ".eml.part", base + ".eml")
        return "250 OK stored"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == user.encode() and auth_data.password == password.encode())
        if ok:
            session.kestrune_mechanism = mechanism
        return AuthResult(success=ok, handled=False, auth_data=auth_data if ok else None)
    return authenticate


def main():
    end_with_parent()
    parser = argparse.ArgumentParser()
    parser.add_argument("folder")
    parser.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--starttls", nargs=2, metavar=("CERT", "KEY"))
    parser.add_argument("--login", nargs=2, metavar=("USER", "PASSWORD"))
    parser.add_argument("--mechanism", choices=["LOGIN", "PLAIN"], default="LOGIN")
    args = parser.parse_args()
    # AUTH without TLS is what the plain tests exercise; the library warns about it.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.CRITICAL)

    handler = StoringHandler(args.folder)
    options = {"hostname": "kestrune-test", "ident": "kestrune test SMTP"}
    if args.login:
        options.update(authenticator=make_authenticator(*args.login), auth_required=True,
                       auth_require_tls=False,
                       auth_exclude_mechanism=["PLAIN" if args.mechanism == "LOGIN" else "LOGIN"])
    context = None
    if args.tls:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(*args.tls)
    if args.starttls:
        starttls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        starttls.load_cert_chain(*args.starttls)
        options.update(tls_context=starttls, require_starttls=True)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(handler, **options), host="127.0.0.1", port=0, ssl=context))
    print(server.sockets[0].getsockname()[1], flush=True)
    try:
        loop.run_forever()
    finally:
        server.close()


if __name__ == "__main__":
    sys.exit(main())
