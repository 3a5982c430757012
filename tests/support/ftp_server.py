"""FTP peer for Quillet's tests (pyftpdlib), on 127.0.0.1 only.

One account, --user/--password, whose home is --root. Every command received is appended
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
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def exit_when_stdin_closes():
    sys.stdin.buffer.read()
    os._exit(0)


class LoggingHandler(FTPHandler):
    def pre_process_command(self, line, cmd, arg):
        entry = {"cmd": cmd, "arg": "***" if cmd == "PASS" else arg, "t": time.monotonic()}
        with open(self.log_file, "a", encoding="utf-8") as log:
            log.write(json.dumps(entry) + "\n")
        return super().pre_process_command(line, cmd, arg)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--log-file", required=True)
    args = parser.parse_args()

    logging.getLogger("pyftpdlib").setLevel(logging.CRITICAL)
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmw")
    LoggingHandler.authorizer = authorizer
    LoggingHandler.log_file = args.log_file
    LoggingHandler.auth_failed_timeout = 0.1  # the default 3 s only slows the tests
    server = FTPServer(("127.0.0.1", 0), LoggingHandler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=False)


if __name__ == "__main__":
    main()
