"""Quillet's tests' servers, on 127.0.0.1 only: peers.py http|smtp|ftp [options]; see --help.

Each logs to --log-file (JSON lines with a monotonic t; mail as sender LF recipients LF
bytes), prints "PORT <n>" once listening and exits when its standard input closes.
"""
import argparse
import http.server
import json
import logging
import os
import socket
import ssl
import sys
import threading
import time
import warnings


def log_json(path, entry):
    with open(path, "a", encoding="utf-8") as log:
        log.write(json.dumps(dict(entry, t=time.monotonic())) + "\n")


def tls(args):
    context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    context.load_cert_chain(args.cert)
    return context


class HttpHandler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        args = self.server.args
        headers = {name.lower(): value for name, value in self.headers.items()}
        log_json(args.log_file, {"method": "GET", "path": self.path, "headers": headers})
        # "/a" gets body.a when a test set one: several sources on one server.
        own = args.body_file + "." + self.path.split("?")[0].strip("/")
        with open(own if os.path.isfile(own) else args.body_file, "rb") as f:
            status, location, body = 200, None, f.read()
        if body.startswith(b"STATUS "):
            first, _, body = body.partition(b"\n")
            status, location = (first.decode().split() + [None])[1:3]
        self.send_response(int(status))
        if location:
            self.send_header("Location", location)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        pass


def http_peer(args):
    class Server(http.server.ThreadingHTTPServer):
        address_family = socket.AF_INET6 if ":" in args.host else socket.AF_INET
    server = Server((args.host, 0), HttpHandler)
    server.args = args
    if args.cert:
        server.socket = tls(args).wrap_socket(server.socket, server_side=True)
    print("PORT %d" % server.server_address[1], flush=True)
    server.serve_forever()


def smtp_peer(args):
    import asyncio
    from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
    warnings.simplefilter("ignore")  # aiosmtpd's warnings about its own deprecated names

    class Handler:
        async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
            envelope.rcpt_tos.append(address)
            return "251 2.1.5 User not local; will forward"

        async def handle_DATA(self, server, session, envelope):
            head = "%s\n%s\n" % (envelope.mail_from, ",".join(envelope.rcpt_tos))
            with open(args.log_file, "ab") as log:
                log.write(head.encode() + envelope.original_content)
            return "250 Message accepted"

    def authenticator(server, session, envelope, mechanism, data):
        ok = (isinstance(data, LoginPassword) and data.login == args.user.encode()
              and data.password == args.password.encode())
        return AuthResult(success=ok, handled=False)  # aiosmtpd answers a failure with 535

    async def serve():
        context = tls(args) if args.tls != "none" else None
        starttls = args.tls == "starttls"
        server = await asyncio.get_running_loop().create_server(
            lambda: SMTP(Handler(), hostname="quillet.test", authenticator=authenticator,
                         auth_require_tls=starttls, require_starttls=starttls,
                         tls_context=context if starttls else None),
            "127.0.0.1", 0, ssl=context if args.tls == "implicit" else None)
        print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
        await asyncio.Event().wait()
    asyncio.run(serve())


def ftp_peer(args):
    from pyftpdlib.authorizers import DummyAuthorizer
    from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
    from pyftpdlib.servers import FTPServer

    class LateTLSDTPHandler(TLS_DTPHandler):
        """As servers do, the data connection's TLS handshake is taken up only once STOR is
        accepted: a refused STOR leaves libcurl's handshake unanswered."""

        def enable_receiving(self, type, cmd):
            super().enable_receiving(type, cmd)
            if self._ssl_requested:
                self._do_ssl_handshake()

        def secure_connection(self, context):
            # User "other" gets a data connection with --other-cert's certificate.
            if args.other_cert and self.cmd_channel.username == "other":
                context = SSL.Context(SSL.TLS_SERVER_METHOD)
                context.use_certificate_chain_file(args.other_cert)
                context.use_privatekey_file(args.other_cert)
            super().secure_connection(context)

        def readable(self):
            if self._ssl_requested and not self.receive and not self._initialized:
                return self._ssl_want_read
            return super().readable()

        def handle_ssl_established(self):
            # As servers do by default: the data connection must resume the control
            # connection's TLS session.
            if args.reuse and not lib.SSL_session_reused(self.socket._ssl):
                self.cmd_channel.respond("522 SSL connection failed: session reuse required")
                self.close()
            else:
                super().handle_ssl_established()

    class Handler(TLS_FTPHandler if args.cert else FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            log_json(args.log_file, {"cmd": cmd, "arg": "***" if cmd == "PASS" else arg})
            if cmd != args.mute:  # a server that never answers this command
                return super().pre_process_command(line, cmd, arg)

    if args.cert:
        from OpenSSL import SSL
        from OpenSSL._util import lib
        Handler.certfile = args.cert
        Handler.tls_control_required = Handler.tls_data_required = True
        Handler.dtp_handler = LateTLSDTPHandler
        Handler.get_ssl_context().set_session_id(b"quillet-test")
    logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
    Handler.authorizer = DummyAuthorizer()
    for user in [args.user, "other"]:
        Handler.authorizer.add_user(user, args.password, args.root, perm="elradfmw")
    Handler.auth_failed_timeout = 0.1  # the default 3 s only slows the tests
    server = FTPServer(("127.0.0.1", 0), Handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


def main():
    parser = argparse.ArgumentParser(epilog="""http answers every GET with --body-file as it is
    then (a first line "STATUS n [location]" sets the status and Location). smtp (aiosmtpd)
    takes AUTH LOGIN from --user/--password only and answers RCPT with 251. ftp (pyftpdlib) has
    the account --user (and "other") at --root; with --cert TLS is required, and with --reuse
    the data connection must resume the control's session ("other"'s presents --other-cert).""")
    parser.add_argument("kind", choices=["http", "smtp", "ftp"])
    for option in ["--log-file", "--body-file", "--cert", "--other-cert", "--user",
                   "--password", "--root"]:
        parser.add_argument(option)
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--reuse", action="store_true")
    parser.add_argument("--mute")
    parser.add_argument("--host", default="127.0.0.1")  # http: "::1" for IPv6
    args = parser.parse_args()

    def exit_when_stdin_closes():
        sys.stdin.buffer.read()
        os._exit(0)
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    {"http": http_peer, "smtp": smtp_peer, "ftp": ftp_peer}[args.kind](args)


if __name__ == "__main__":
    main()
