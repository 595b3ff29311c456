#!/usr/bin/python3
"""Serves ROOT over FTP on 127.0.0.1 for one account, until killed or its stdin closes.

Usage: pyftpd.py ROOT USER PASSWORD [PORT] [--cut VERB:N] [--tls CERTFILE] [--latency MS]
The first stdout line is "PORT <number>" (PORT 0, the default: any free port).
--cut VERB:N drops the client once as data flows for the Nth STOR, RETR or LIST (MLSD, NLST).
--tls CERTFILE requires explicit TLS with the certificate and key in the PEM file CERTFILE.
--latency MS delays every reply by MS milliseconds.
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def cutting_handlers(base, verb, nth):
    """A control handler on `base` that drops the client during the nth `verb`."""
    seen = {"count": 0, "armed": None}

    # DTPHandler binds handle_read_event to handle_read: the cut hooks the event.
    class CuttingDTP(base.dtp_handler):
        def use_sendfile(self):
            return False  # data goes through send(), where the cut is made

        def handle_read_event(self):
            super().handle_read_event()
            self._cut()

        def send(self, data):
            sent = super().send(data)
            self._cut()
            return sent

        def _cut(self):
            if seen["armed"] is self.cmd_channel and self.get_transmitted_bytes() > 0:
                seen["armed"] = False
                self.cmd_channel.close()

    class CuttingHandler(base):
        dtp_handler = CuttingDTP

        def pre_process_command(self, line, cmd, arg):
            counted = cmd in ("MLSD", "LIST", "NLST") if verb == "LIST" else cmd == verb
            if counted and seen["armed"] is None:
                seen["count"] += 1
                if seen["count"] == nth:
                    seen["armed"] = self
            super().pre_process_command(line, cmd, arg)

    return CuttingHandler


def main():
    parser = argparse.ArgumentParser(usage=__doc__)
    parser.add_argument("root")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("port", nargs="?", type=int, default=0)
    parser.add_argument("--cut")
    parser.add_argument("--tls", metavar="CERTFILE")
    parser.add_argument("--latency", metavar="MS", type=int, default=0)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, os.path.abspath(args.root), perm="elradfmwMT")
    handler = FTPHandler
    if args.tls:
        from pyftpdlib.handlers import TLS_FTPHandler as handler

        handler.certfile = args.tls
        handler.tls_control_required = handler.tls_data_required = True
    if args.cut:
        verb, _, nth = args.cut.partition(":")
        handler = cutting_handlers(handler, verb.upper(), int(nth))
    if args.latency:  # replies (and the close) reach the client late
        base, delay = handler, args.latency / 1000.0

        class LatencyHandler(base):
            def push(self, data):
                self.ioloop.call_later(delay, base.push, self, data)

            def close_when_done(self):
                self.ioloop.call_later(delay, base.close_when_done, self)

        handler = LatencyHandler
    handler.authorizer = authorizer
    # Failed logins answer at once: tests try wrong passwords.
    handler.auth_failed_timeout = 0

    logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
    server = FTPServer(("127.0.0.1", args.port), handler)
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
