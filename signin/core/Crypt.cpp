#include "Crypt.h"

#include <limits>

#include "AppPath.h"
#include "ProfileFile.h"

namespace {

const QString kKey = QStringLiteral("KORVANITE");
// Stored forms used to be read 79 characters at most; malformed ones still are.
constexpr qsizetype kOldReadLimit = 79;

ushort Code(QChar c) {
    return c.unicode() <= 0xFF ? c.unicode() : ushort('?');
}

bool IsLatin1(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

int DigitValue(QChar c, int base) {
    if (IsDigit(c))
        return c.unicode() - '0';
    const QChar upper = c.toUpper();
    if (base == 16 && upper >= u'A' && upper <= u'F')
        return upper.unicode() - 'A' + 10;
    return -1;
}

// The value of the leading digits in the given base; no digits read as 0.
int LeadingNumber(QStringView text, int base) {
    int value = 0;
    for (QChar c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            break;
        value = value * base + digit;
    }
    return value;
}

QString Decode(QStringView hex) {
    QString text;
    for (qsizetype i = 0; i < hex.size(); i += 2)
        text += QChar(ushort(LeadingNumber(hex.mid(i, 2), 16)));
    CipherText(kKey, text);
    return text;
}

}  // namespace

void CipherText(const QString& key, QString& text) {
    if (key.isEmpty())
        return;
    qsizetype p = 0;
    for (QChar& c : text) {
        const ushort k = Code(key[p]);
        p = (p + 1) % key.size();
        c = QChar(ushort(Code(c) ^ k));
    }
}

QString storedPasswordForm(const QString& password) {
    QString ciphered = password;
    CipherText(kKey, ciphered);
    QString hex;
    for (QChar c : ciphered)
        hex += QStringLiteral("%1").arg(Code(c), 2, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("%1").arg(hex.size(), 2, 10, QLatin1Char('0')) + hex;
}

QString passwordFromStoredForm(const QString& stored) {
    const QStringView value(stored);
    // A stored form as written: its length digits count exactly the characters after them. Two
    // digits serve passwords of up to 49 characters, longer ones have three or more and no
    // leading zero, so the forms the old reader handled read as they always did.
    qint64 length = 0;
    for (qsizetype digits = 1; digits <= value.size() && IsDigit(value[digits - 1]); ++digits) {
        length = length * 10 + (value[digits - 1].unicode() - '0');
        if (length > value.size())
            break;
        const bool asWritten = digits == 2 || (digits > 2 && value[0] != u'0');
        if (asWritten && length == value.size() - digits)
            return Decode(value.mid(digits));
    }
    // Anything else reads as it always did: the first two characters give the length.
    const QStringView limited = value.left(kOldReadLimit);
    const int count = LeadingNumber(limited.left(2), 10);
    return limited.size() > 2 ? Decode(limited.mid(2).left(count)) : QString();
}

bool SavePassword(const QString& pw) {
    return writeProfileString(QStringLiteral("ConnectionInfo"), QStringLiteral("LastPasswordUsed"),
                              IsLatin1(pw) ? storedPasswordForm(pw) : QString(), settingsPath());
}

QString LoadPassword() {
    return passwordFromStoredForm(
        readProfileString(QStringLiteral("ConnectionInfo"), QStringLiteral("LastPasswordUsed"),
                          QString(), std::numeric_limits<int>::max(), settingsPath()));
}
