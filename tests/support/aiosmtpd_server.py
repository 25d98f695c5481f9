"""A loopback SMTP server for the tests: aiosmtpd with AUTH LOGIN for one user.

With --tls-cert and --tls-key it offers STARTTLS and takes no command but EHLO, NOOP, QUIT
and STARTTLS before it; AUTH is offered over TLS only.

Prints "PORT <n>" once it listens on 127.0.0.1, then serves until stdin closes. Each message is
written to the mail directory as <n>.eml, with <n>.json holding the envelope.
"""
import argparse
import asyncio
import json
import os
import logging
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Handler:
    def __init__(self, mail_dir, refused):
        self.mail_dir = mail_dir
        self.refused = set(refused)
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            return "550 5.1.1 Recipient refused"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.mail_dir:
            self.count += 1
            base = os.path.join(self.mail_dir, "%06d" % self.count)
            with open(base + ".eml", "wb") as f:
                f.write(envelope.original_content)
            with open(base + ".json", "w") as f:
                json.dump({"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                           "authenticated": bool(session.authenticated)}, f)
        return "250 OK queued"


def make_authenticator(user, password):
    def authenticate(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == user.encode("latin-1")
              and auth_data.password == password.encode("latin-1"))
#handled = False : the server itself answers a failure with 535.
        return AuthResult(success=ok, handled=False)
    return authenticate


async def main():
    # aiosmtpd 1.4 logs a warning about its own use of a deprecated field on every login.
    logging.getLogger("mail.log").setLevel(logging.ERROR)
    parser = argparse.ArgumentParser()
    parser.add_argument("--mail-dir", default="")
    parser.add_argument("--user", default="kelvane")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--refuse", action="append", default=[])
    parser.add_argument("--tls-cert", default="")
    parser.add_argument("--tls-key", default="")
    args = parser.parse_args()
    tls = {"auth_require_tls": False}
    if args.tls_cert:
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.tls_cert, args.tls_key)
        tls = {"tls_context": context, "require_starttls": True, "auth_require_tls": True}

    handler = Handler(args.mail_dir, args.refuse)
    authenticator = make_authenticator(args.user, args.password)
    loop = asyncio.get_running_loop()
    server = await loop.create_server(
        lambda: SMTP(handler, hostname="aiosmtpd.test", authenticator=authenticator, **tls),
        host="127.0.0.1", port=0)
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
#The test ends the server by closing stdin, or by killing it.
    await loop.run_in_executor(None, sys.stdin.read)
    server.close()


if __name__ == "__main__":
    asyncio.run(main())
