#pragma once

#include <QString>

// What the settings file remembers about servers' encryption: the certificate (by its SHA-256
// fingerprint) the user trusted for each host, and the accounts that have connected with TLS,
// which are never again signed in to in clear.

// The fingerprint trusted for host, or empty text.
QString trustedFingerprint(const QString& host, const QString& path);
bool rememberFingerprint(const QString& host, const QString& fingerprint, const QString& path);

// The account (user name at host) has connected with TLS before.
bool hadEncryption(const QString& user, const QString& host, const QString& path);
bool rememberEncryption(const QString& user, const QString& host, const QString& path);
