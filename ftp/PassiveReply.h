#pragma once

#include <QString>
#include <optional>

namespace ftp {

// The port of a 229 reply: "(|||port|)" with any delimiter (RFC 2428).
std::optional<quint16> parseEpsvPort(const QString& text);
// The port of a 227 reply: "h1,h2,h3,h4,p1,p2". The address part is not used: servers behind
// NAT report their private address, so the data connection goes to the control peer.
std::optional<quint16> parsePasvPort(const QString& text);

}  // namespace ftp
