#pragma once

namespace ftp {

class Session;

// Everything between the TCP connection and the first operation: the greeting, AUTH TLS and the
// certificate check (see TlsMode), USER, PASS and
// ACCT (asking the handlers when the server wants what is not set), FEAT, OPTS UTF8 ON, PWD.
void logIn(Session& s);

}  // namespace ftp
