"""SMTP peer for Quillet's tests, on 127.0.0.1 only, built on aiosmtpd.

Accepts mail with or without AUTH LOGIN; the one account that logs in is --user/--password.
With --tls starttls it requires STARTTLS before anything else, with --tls implicit it speaks
TLS from the first byte; --cert names the PEM file of its key and certificate. Each message is appended to --log-file: the sender, a line feed,
the recipients joined by ",", a line feed, then the message's bytes.

Prints "PORT <n>" once listening, and exits when its standard input closes, so it
never outlives the test that started it.
"""
import argparse
import asyncio
import os
import ssl
import sys
import warnings

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

# aiosmtpd warns about its own deprecated names; the test reads none of it.
warnings.simplefilter("ignore")


class Handler:
    def __init__(self, log_file):
        self.log_file = log_file

    async def handle_DATA(self, server, session, envelope):
        head = "%s\n%s\n" % (envelope.mail_from, ",".join(envelope.rcpt_tos))
        with open(self.log_file, "ab") as log:
            log.write(head.encode() + envelope.original_content)
        return "250 Message accepted"


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log-file", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--cert")
    args = parser.parse_args()
    context = None
    if args.tls != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.cert)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword)
              and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        # Not handled: aiosmtpd then answers a failure with 535 itself.
        return AuthResult(success=ok, handled=False)

    loop = asyncio.get_running_loop()
    starttls = args.tls == "starttls"
    server = await loop.create_server(
        lambda: SMTP(Handler(args.log_file), hostname="quillet.test",
                     authenticator=authenticator, auth_require_tls=starttls,
                     require_starttls=starttls, tls_context=context if starttls else None),
        "127.0.0.1", 0, ssl=context if args.tls == "implicit" else None)
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    await loop.run_in_executor(None, sys.stdin.buffer.read)
    os._exit(0)


if __name__ == "__main__":
    asyncio.run(main())
