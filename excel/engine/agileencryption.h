// "Password to open" for workbooks: ECMA-376 agile encryption of a whole .xlsx package.
//
// Encrypting a package:
//  1. A random 32-byte package key encrypts the zip in 4096-byte segments with AES-256-CBC;
//     segment i uses the IV SHA-512(key-data salt + LE32(i)) cut to 16 bytes. The stream
//     "EncryptedPackage" is the plain size (LE64) followed by those segments.
//  2. An HMAC-SHA-512 over that whole stream, with a random HMAC key, is stored encrypted with the
//     package key (dataIntegrity), so that tampering and damage are detected before use.
//  3. The password, hashed 100000 times with SHA-512 over a random salt, yields the keys that
//     encrypt a verifier and the package key (keyEncryptor "password").
//  4. "EncryptionInfo" (version 4.4 and the XML descriptor), "EncryptedPackage" and the
//     "\x06DataSpaces" storage that declares the encryption transform go into a compound file.
// Decryption reverses this and accepts other agile parameters (SHA-1/256/384/512, AES-128/192/
// 256), as written by other programs.
#pragma once

#include "core/result.h"

#include <QByteArray>
#include <QString>

namespace kelvoran {

// The message for a password that does not open the workbook.
QString wrongPasswordMessage();

// The number of password hash rounds that Excel writes and that encryptPackage uses by default.
constexpr quint32 kDefaultSpinCount = 100000;

// Encrypts the bytes of an .xlsx package with the password; returns the compound file bytes
// that are saved in place of the package. spinCount (at most 10,000,000) sets the work of the
// password hash; readers take it from the file.
Result<QByteArray> encryptPackage(const QByteArray &zipBytes, const QString &password,
                                  quint32 spinCount = kDefaultSpinCount);

// Decrypts a password-protected workbook (compound file bytes) back to the .xlsx package bytes.
// A wrong password, a file that is not an encrypted workbook, an encryption method that is not
// supported and a damaged file each give their own error.
Result<QByteArray> decryptPackage(const QByteArray &cfbBytes, const QString &password);

// True when the bytes are a compound file holding an encrypted workbook package.
bool isEncryptedPackage(const QByteArray &bytes);

} // namespace kelvoran
