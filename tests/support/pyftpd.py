#!/usr/bin/python3
"""Serves ROOT over FTP on 127.0.0.1 for one account with full permissions.

Usage: pyftpd.py ROOT USER PASSWORD [PORT]
PORT 0 (the default) takes any free port. The first stdout line is "PORT <number>"; the server
then runs until it is killed or its stdin is closed.
"""
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    if len(sys.argv) not in (4, 5):
        sys.stderr.write(__doc__)
        return 2
    root, user, password = sys.argv[1:4]
    port = int(sys.argv[4]) if len(sys.argv) == 5 else 0

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, os.path.abspath(root), perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    # Failed logins answer at once: tests try wrong passwords.
    handler.auth_failed_timeout = 0

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    server = FTPServer(("127.0.0.1", port), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)

    def watch_stdin():
        # The launcher closes stdin (or dies) to stop the server.
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
