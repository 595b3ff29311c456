#!/usr/bin/python3
"""Serves ROOT over FTP on 127.0.0.1 for one account with full permissions.

Usage: pyftpd.py ROOT USER PASSWORD [PORT] [--cut VERB:N]
PORT 0 (the default) takes any free port. The first stdout line is "PORT <number>"; the server
then runs until it is killed or its stdin is closed.

--cut VERB:N drops the client once, as a failing network would: its control connection (and
with it the data connection) closes as soon as data flows for the Nth STOR, RETR or LIST
(VERB LIST counts MLSD, LIST and NLST) since the server started.
"""
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


LISTINGS = ("MLSD", "LIST", "NLST")


def cutting_handlers(verb, nth):
    """A control handler and a data handler that drop the client during the nth `verb`."""
    seen = {"count": 0, "armed": None}

    class CuttingDTP(DTPHandler):
        def use_sendfile(self):
            return False  # data goes through send(), where the cut is made

        def handle_read(self):
            DTPHandler.handle_read(self)
            self._cut()

        handle_read_event = handle_read  # the base class binds its own

        def send(self, data):
            sent = DTPHandler.send(self, data)
            self._cut()
            return sent

        def _cut(self):
            if seen["armed"] is self.cmd_channel and self.get_transmitted_bytes() > 0:
                seen["armed"] = False
                self.cmd_channel.close()

    class CuttingHandler(FTPHandler):
        dtp_handler = CuttingDTP

        def pre_process_command(self, line, cmd, arg):
            counted = cmd in LISTINGS if verb == "LIST" else cmd == verb
            if counted and seen["armed"] is None:
                seen["count"] += 1
                if seen["count"] == nth:
                    seen["armed"] = self
            FTPHandler.pre_process_command(self, line, cmd, arg)

    return CuttingHandler


def main():
    args = sys.argv[1:]
    cut = None
    if len(args) >= 2 and args[-2] == "--cut":
        verb, _, nth = args[-1].partition(":")
        cut = (verb.upper(), int(nth))
        args = args[:-2]
    if len(args) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    root, user, password = args[:3]
    port = int(args[3]) if len(args) == 4 else 0

    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, os.path.abspath(root), perm="elradfmwMT")
    handler = cutting_handlers(*cut) if cut else FTPHandler
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
