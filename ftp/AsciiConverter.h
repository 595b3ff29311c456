#pragma once

#include <QByteArray>

namespace ftp {

// Line ends of ASCII mode transfers (TYPE A): the network form is CRLF, the local form LF.
// Chunks may split a CRLF pair, so the converter carries a pending CR across calls.
class AsciiConverter {
public:
    enum Direction { ToNetwork, ToLocal };
    explicit AsciiConverter(Direction direction) : m_direction(direction) {}

    QByteArray convert(const QByteArray& chunk);
    QByteArray finish();  // what is still held back at the end of the data

private:
    Direction m_direction;
    bool m_pendingCr = false;
};

}  // namespace ftp
