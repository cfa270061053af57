// "Password to modify": the write-reservation password of a workbook, stored as the attributes of
// <fileSharing> in workbook.xml. It is a salted, iterated hash (no encryption): a program that
// honours it asks for the password before letting the user save over the file.
#pragma once

#include "core/result.h"

#include <QString>

namespace kelvoran {

// The hash attributes of <fileSharing> for a password to modify.
struct FileSharingHash {
    QString userName;      // userName: the name shown as holding the reservation
    QString algorithmName; // algorithmName, e.g. "SHA-512"
    QString hashValue;     // hashValue, base64
    QString saltValue;     // saltValue, base64
    quint32 spinCount = 0; // spinCount
};

// Hashes a password to modify with SHA-512, a random 16-byte salt and spin count 100000:
// H0 = SHA-512(salt + UTF-16LE(password)), then spinCount times H = SHA-512(H + LE32(i)).
Result<FileSharingHash> makeModifyPasswordHash(const QString &password, const QString &userName);

// The hash of a password with a given algorithm name ("SHA-512", "SHA-384", "SHA-256",
// "SHA-1"), salt and spin count, base64-encoded; an error for an unknown algorithm or a spin
// count above 10,000,000.
Result<QString> modifyPasswordHashValue(const QString &password, const QString &algorithmName,
                                        const QByteArray &salt, quint32 spinCount);

// True when the password matches the stored hash; false for any other password or for hash
// attributes that cannot be used (unknown algorithm, bad base64, spin count out of range).
bool verifyModifyPassword(const FileSharingHash &hash, const QString &password);

} // namespace kelvoran
