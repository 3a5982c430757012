"""FTP peer for Quillet's tests (pyftpdlib), on 127.0.0.1 only.

One account, --user/--password, whose home is --root. With --cert (the PEM file of its key
and certificate) it requires TLS on the control and the data connections. Every command received is appended
to --log-file as one JSON line (cmd, arg, t = this machine's monotonic clock, so that logs
of several peers can be put in order). The password is logged as "***".

Prints "PORT <n>" once listening, and exits when its standard input closes, so it
never outlives the test that started it.
"""
import argparse
import json
import logging
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, TLS_DTPHandler, TLS_FTPHandler
from pyftpdlib.servers import FTPServer


def exit_when_stdin_closes():
    sys.stdin.buffer.read()
    os._exit(0)


class EarlyTLSDTPHandler(TLS_DTPHandler):
    """libcurl starts the data connection's TLS handshake as soon as it connects, before
    STOR; pyftpdlib would close a data connection that speaks before STOR. This one takes
    the handshake then and waits for the command."""

    def __init__(self, sock, cmd_channel):
        super().__init__(sock, cmd_channel)
        if self._ssl_requested:
            self._do_ssl_handshake()

    def readable(self):
        if self._ssl_requested and not self.receive and not self._initialized:
            return self._ssl_want_read
        return super().readable()


def with_log(base):
    class LoggingHandler(base):
        def pre_process_command(self, line, cmd, arg):
            entry = {"cmd": cmd, "arg": "***" if cmd == "PASS" else arg, "t": time.monotonic()}
            with open(self.log_file, "a", encoding="utf-8") as log:
                log.write(json.dumps(entry) + "\n")
            return super().pre_process_command(line, cmd, arg)
    return LoggingHandler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--log-file", required=True)
    parser.add_argument("--cert")
    args = parser.parse_args()

    logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")
    LoggingHandler = with_log(TLS_FTPHandler if args.cert else FTPHandler)
    if args.cert:
        LoggingHandler.certfile = args.cert
        LoggingHandler.tls_control_required = True
        LoggingHandler.tls_data_required = True
        LoggingHandler.dtp_handler = EarlyTLSDTPHandler
    LoggingHandler.authorizer = authorizer
    LoggingHandler.log_file = args.log_file
    LoggingHandler.auth_failed_timeout = 0.1  # the default 3 s only slows the tests
    server = FTPServer(("127.0.0.1", 0), LoggingHandler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
