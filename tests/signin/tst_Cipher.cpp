#include <QRandomGenerator>
#include <QTest>

#include "Crypt.h"
#include "ProfileFile.h"
#include "SigninSupport.h"

namespace {

// The saved-password reader as it always was: 79 characters at most, the first two give the
// length. Stored forms of up to 38 characters and malformed ones must still read like this.
QString OldLoad(QString value) {
    value = value.left(79);
    auto number = [](QStringView text, int base) {
        int n = 0;
        for (QChar c : text) {
            bool ok = false;
            const int d = QString(c).toInt(&ok, base);
            if (!ok)
                break;
            n = n * base + d;
        }
        return n;
    };
    const int n = number(QStringView(value).left(2), 10);
    const QString body = value.mid(2, n);
    QString text;
    for (int i = 0; i < body.size(); i += 2)
        text += QChar(ushort(number(QStringView(body).mid(i, 2), 16)));
    const QString key = QStringLiteral("KORVANITE");
    for (int i = 0; i < text.size(); ++i)
        text[i] = QChar(ushort(text[i].unicode() ^ key[i % 9].unicode()));
    return text;
}

QString RandomPassword(QRandomGenerator& random, int length) {
    QString text;
    for (int i = 0; i < length; ++i)
        text += QChar(ushort(random.bounded(1, 256)));
    return text;
}

QString StoredInFile() {
    return ReadProfileString(QStringLiteral("ConnectionInfo"), QStringLiteral("LastPasswordUsed"),
                             QStringLiteral("<none>"), 100000, SettingsPath());
}

}  // namespace

class CipherTest : public QObject {
    Q_OBJECT
private slots:
    void storedFormsOfKnownPasswords_data();
    void storedFormsOfKnownPasswords();
    void cipherTwiceRestoresEveryCode();
    void savedPasswordsComeBackThroughTheFile();
    void formsUpTo38CharactersReadAsBefore();
    void malformedValuesReadAsBeforeWithoutFault_data();
    void malformedValuesReadAsBeforeWithoutFault();
    void passwordsOutsideLatin1AreNotSaved();
    void missingSettingsGiveNoPassword();
};

void CipherTest::storedFormsOfKnownPasswords_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("stored");
    QTest::newRow("empty") << QString() << "00";
    QTest::newRow("one character") << "a"
                                   << "022A";
    QTest::newRow("9 characters, each key character once") << "KORVANITE"
                                                           << "18000000000000000000";
    QTest::newRow("10 characters, first key character twice") << "KORVANITEK"
                                                              << "2000000000000000000000";
    QTest::newRow("10 characters") << "password12"
                                   << "203B2E212536213B307479";
    QTest::newRow("body of digits only") << "z~"
                                         << "043131";
    QTest::newRow("Latin-1 letter") << QString::fromLatin1("h\xe9llo") << "1023A63E3A2E";
}

void CipherTest::storedFormsOfKnownPasswords() {
    QFETCH(QString, password);
    QFETCH(QString, stored);
    QCOMPARE(StoredPasswordForm(password), stored);
    QCOMPARE(PasswordFromStoredForm(stored), password);
}

void CipherTest::cipherTwiceRestoresEveryCode() {
    QString all;
    for (ushort code = 0; code < 256; ++code)
        all += QChar(code);
    QString text = all;
    CipherText(QStringLiteral("KORVANITE"), text);
    QCOMPARE(text.size(), all.size());
    QCOMPARE(text[0], QChar(ushort(0 ^ 'K')));
    QCOMPARE(text[9], QChar(ushort(9 ^ 'K')));
    CipherText(QStringLiteral("KORVANITE"), text);
    QCOMPARE(text, all);
    // A stored form from the settings files in use: codes 65 and 10.
    QCOMPARE(PasswordFromStoredForm(QStringLiteral("04410A")),
             QString(QChar(ushort(65 ^ 'K'))) + QChar(ushort(10 ^ 'O')));
}

void CipherTest::savedPasswordsComeBackThroughTheFile() {
    ProgramFolder folder;
    QRandomGenerator random(2024);
    for (int length = 0; length <= 130; ++length) {
        const QString password = RandomPassword(random, length);
        SavePassword(password);
        QCOMPARE(StoredInFile(), StoredPasswordForm(password));
        QCOMPARE(LoadPassword(), password);
    }
    // 50 characters take three length digits.
    const QString fifty = RandomPassword(random, 50);
    QVERIFY(StoredPasswordForm(fifty).startsWith(QLatin1String("100")));
    SavePassword(fifty);
    QCOMPARE(LoadPassword(), fifty);
}

void CipherTest::formsUpTo38CharactersReadAsBefore() {
    QRandomGenerator random(38);
    for (int round = 0; round < 20; ++round) {
        for (int length = 0; length <= 38; ++length) {
            const QString stored = StoredPasswordForm(RandomPassword(random, length));
            QCOMPARE(PasswordFromStoredForm(stored), OldLoad(stored));
        }
    }
    // Any other value reads as before, unless it is a stored form as written that the old
    // 79-character limit cut short.
    const QString alphabet = QStringLiteral("0123456789ABCDEFabcxyz -&");
    for (int round = 0; round < 3000; ++round) {
        QString value;
        const int length = random.bounded(0, 120);
        for (int i = 0; i < length; ++i)
            value += alphabet[random.bounded(int(alphabet.size()))];
        const bool written = value.size() >= 2 && value[0].isDigit() && value[1].isDigit() &&
                             value.left(2).toInt() == value.size() - 2;
        if (!(written && value.size() > 79))
            QCOMPARE(PasswordFromStoredForm(value), OldLoad(value));
    }
}

void CipherTest::malformedValuesReadAsBeforeWithoutFault_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("empty") << "";
    QTest::newRow("one digit") << "5";
    QTest::newRow("letters") << "ab";
    QTest::newRow("sign") << "-1";
    QTest::newRow("length too large") << "99410A";
    QTest::newRow("length too small") << "02410A";
    QTest::newRow("odd body") << "03410";
    QTest::newRow("non-hex body") << "04ZZ4G";
    QTest::newRow("letter in length") << "4x410A";
    QTest::newRow("huge number") << "99999999999999999999999999";
    QTest::newRow("long junk") << QString(300, u'7');
    QTest::newRow("leading zero length") << "0100" + QString(96, u'A');
}

void CipherTest::malformedValuesReadAsBeforeWithoutFault() {
    QFETCH(QString, value);
    QCOMPARE(PasswordFromStoredForm(value), OldLoad(value));
}

void CipherTest::passwordsOutsideLatin1AreNotSaved() {
    ProgramFolder folder;
    SavePassword(QStringLiteral("keep"));
    SavePassword(QStringLiteral("pass\u20ac"));
    QCOMPARE(StoredInFile(), QString());
    QCOMPARE(LoadPassword(), QString());
}

void CipherTest::missingSettingsGiveNoPassword() {
    ProgramFolder folder;
    QCOMPARE(LoadPassword(), QString());
    WriteBytes(folder.settings(), "[ConnectionInfo]\r\nLastPasswordUsed=00\r\n");
    QCOMPARE(LoadPassword(), QString());
}

QTEST_GUILESS_MAIN(CipherTest)
#include "tst_Cipher.moc"
