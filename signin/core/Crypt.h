#pragma once

#include <QString>

// The saved password: a repeating-key XOR over the Latin-1 codes, stored as its length in hex
// characters (two or more decimal digits) followed by the codes in uppercase hex.

// XORs each character with the key's characters in turn; applying it twice restores the text.
void CipherText(const QString& key, QString& text);

// The stored form of a password, and the password back from a stored form. Any text reads
// without fault: malformed parts count as 0.
QString storedPasswordForm(const QString& password);
QString passwordFromStoredForm(const QString& stored);

// Writes the stored form to the settings file; a password with characters outside Latin-1 is not
// saved (empty text), as it could not come back unchanged. False when the file cannot be written.
bool SavePassword(const QString& pw);
// The saved password, or empty text when none is saved.
QString LoadPassword();
