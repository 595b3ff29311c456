// Listings as a hostile server might send them: any bytes, in pieces of any size, read as MLSD
// or LIST, UTF-8 or Latin-1; then what the component does with each name.
#include <QDate>

#include "ListingParser.h"
#include "Mask.h"
#include "RemotePath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const bool mlsd = data[0] & 1;
    const bool utf8 = data[0] & 2;
    const size_t piece = 1 + data[1];
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 2, qsizetype(size - 2));

    ftp::ListingParser parser(mlsd ? ftp::ListingParser::Mlsd : ftp::ListingParser::List, utf8,
                              QDate(2024, 2, 29));
    for (qsizetype i = 0; i < bytes.size(); i += qsizetype(piece))
        parser.feed(bytes.mid(i, qsizetype(piece)));
    parser.finish();
    const ftp::Mask mask(QStringLiteral("*a?b*"));
    for (const ftp::ListingEntry& e : parser.take()) {
        // A parsed entry never is "." or "..", nor nameless; each is of a known kind.
        if ((e.parsed && (e.name == "." || e.name == ".." || e.name.isEmpty())) || e.kind < 0 ||
            e.kind > 2)
            __builtin_trap();
        mask.matches(e.name);
        ftp::isSafeLocalName(e.name);
        ftp::printableName(e.raw);
        ftp::remote_path::absolute(QStringLiteral("/base"), e.name);
    }
    return 0;
}
