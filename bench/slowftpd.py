#!/usr/bin/python3
"""Serves ROOT over FTP on 127.0.0.1 for one account, delaying every reply by DELAY milliseconds,
as a server far away on the internet would.

Usage: slowftpd.py ROOT USER PASSWORD DELAY [PORT]
PORT 0 (the default) takes any free port. The first stdout line is "PORT <number>"; the server
then runs until it is killed or its stdin is closed. Every connection has a thread of its own, so
the delay of one connection's replies does not hold up another's.
"""
import argparse
import logging
import os
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import ThreadedFTPServer


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("delay", type=int)
    parser.add_argument("port", nargs="?", type=int, default=0)
    args = parser.parse_args()
    delay = args.delay / 1000.0
    cwd_turn = threading.Lock()

    class SlowHandler(FTPHandler):
        undelayed = False

        def respond(self, resp, logfun=logging.debug):
            if not self.undelayed:
                time.sleep(delay)
            FTPHandler.respond(self, resp, logfun)

        # pyftpdlib's CWD tries the folder with the process's own working folder and changes
        # back after answering. Working folders are one per process, not per thread: CWDs of
        # two connections at once would swap them, leaving the process in a folder that may
        # be deleted later. So they take turns, and the delay comes before, outside the turn.
        def ftp_CWD(self, path):
            time.sleep(delay)
            self.undelayed = True
            try:
                with cwd_turn:
                    return FTPHandler.ftp_CWD(self, path)
            finally:
                self.undelayed = False

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elradfmwMT")
    SlowHandler.authorizer = authorizer
    SlowHandler.auth_failed_timeout = 0

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    server = ThreadedFTPServer(("127.0.0.1", args.port), SlowHandler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)

    def watch_stdin():
        try:
            while sys.stdin.buffer.read(4096):
                pass
        finally:
            os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(handle_exit=False)
    return 0


if __name__ == "__main__":
    sys.exit(main())
