#include "excel/engine/agileencryption.h"

#include "excel/engine/compoundfile.h"

#include <QXmlStreamReader>
#include <QtEndian>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <cstring>
#include <memory>

namespace kelvoran {

namespace {

const QString kEncryptionNs = QStringLiteral("http://schemas.microsoft.com/office/2006/encryption");
const QString kPasswordNs =
    QStringLiteral("http://schemas.microsoft.com/office/2006/keyEncryptor/password");

constexpr quint32 kSegmentSize = 4096;
constexpr quint32 kMaxSpinCount = 10000000;
constexpr int kSaltSize = 16;
constexpr int kKeyBytes = 32;

const QByteArray kBlockVerifierInput = QByteArray::fromHex("FEA7D2763B4B9E79");
const QByteArray kBlockVerifierValue = QByteArray::fromHex("D7AA0F6D3061344E");
const QByteArray kBlockKeyValue = QByteArray::fromHex("146E0BE7ABACD0D6");
const QByteArray kBlockHmacKey = QByteArray::fromHex("5FB2AD010CB9E1F6");
const QByteArray kBlockHmacValue = QByteArray::fromHex("A0677F02B22C8433");

const QString kEncryptionInfo = QStringLiteral("EncryptionInfo");
const QString kEncryptedPackage = QStringLiteral("EncryptedPackage");

Error notEncrypted() {
    return Error{QStringLiteral("パスワードで暗号化されたブックではありません。"), QString()};
}
Error unsupported(const QString &what) {
    return Error{QStringLiteral("対応していない暗号化方式です（%1）。").arg(what), QString()};
}
Error damaged(const QString &what) {
    return Error{QStringLiteral("暗号化されたブックが壊れています（%1）。").arg(what), QString()};
}
Error cryptoFailure() {
    return Error{QStringLiteral("暗号処理に失敗しました。"), QString()};
}

struct MdCtxFree {
    void operator()(EVP_MD_CTX *c) const { EVP_MD_CTX_free(c); }
};
struct CipherCtxFree {
    void operator()(EVP_CIPHER_CTX *c) const { EVP_CIPHER_CTX_free(c); }
};
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;
using CipherCtx = std::unique_ptr<EVP_CIPHER_CTX, CipherCtxFree>;

const EVP_MD *digestNamed(const QString &name) {
    if (name == QLatin1String("SHA512"))
        return EVP_sha512();
    if (name == QLatin1String("SHA384"))
        return EVP_sha384();
    if (name == QLatin1String("SHA256"))
        return EVP_sha256();
    if (name == QLatin1String("SHA1") || name == QLatin1String("SHA-1"))
        return EVP_sha1();
    return nullptr;
}

const EVP_CIPHER *aesCbc(int keyBits) {
    switch (keyBits) {
    case 128:
        return EVP_aes_128_cbc();
    case 192:
        return EVP_aes_192_cbc();
    case 256:
        return EVP_aes_256_cbc();
    default:
        return nullptr;
    }
}

// The digest of the concatenated parts.
QByteArray digest(const EVP_MD *md, std::initializer_list<QByteArrayView> parts) {
    MdCtx ctx(EVP_MD_CTX_new());
    QByteArray out(EVP_MD_get_size(md), '\0');
    unsigned int len = 0;
    bool ok = ctx && EVP_DigestInit_ex(ctx.get(), md, nullptr) == 1;
    for (QByteArrayView p : parts)
        ok = ok && EVP_DigestUpdate(ctx.get(), p.data(), size_t(p.size())) == 1;
    ok = ok &&
         EVP_DigestFinal_ex(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), &len) == 1;
    return ok ? out : QByteArray();
}

QByteArray utf16le(const QString &text) {
    QByteArray out(text.size() * 2, '\0');
    for (int i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), out.data() + 2 * i);
    return out;
}

// Cuts or extends (with 0x36 bytes) to the wanted length.
QByteArray fitTo(QByteArray bytes, int length) {
    if (bytes.size() > length)
        bytes.truncate(length);
    else if (bytes.size() < length)
        bytes.append(QByteArray(length - bytes.size(), '\x36'));
    return bytes;
}

// The iterated password hash: H0 = H(salt + password), Hn = H(LE32(n-1) + Hn-1).
QByteArray passwordHash(const EVP_MD *md, const QByteArray &salt, const QString &password,
                        quint32 spinCount) {
    QByteArray h = digest(md, {salt, utf16le(password)});
    if (h.isEmpty())
        return h;
    const int hashLen = h.size();
    MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1)
        return QByteArray();
    QByteArray buf(4 + hashLen, '\0');
    std::memcpy(buf.data() + 4, h.constData(), size_t(hashLen));
    auto *raw = reinterpret_cast<unsigned char *>(buf.data());
    for (quint32 i = 0; i < spinCount; ++i) {
        qToLittleEndian<quint32>(i, raw);
        unsigned int len = 0;
        if (EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
            EVP_DigestUpdate(ctx.get(), raw, size_t(buf.size())) != 1 ||
            EVP_DigestFinal_ex(ctx.get(), raw + 4, &len) != 1)
            return QByteArray();
    }
    return buf.mid(4);
}

// AES-CBC without padding over data whose length is a multiple of the block size.
QByteArray aesCbcRun(bool encrypt, int keyBits, const QByteArray &key, const QByteArray &iv,
                     const QByteArray &data) {
    const EVP_CIPHER *cipher = aesCbc(keyBits);
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!cipher || !ctx || data.size() % 16 != 0 || key.size() != keyBits / 8 || iv.size() != 16)
        return QByteArray();
    QByteArray out(data.size(), '\0');
    int len = 0;
    if (EVP_CipherInit_ex(
            ctx.get(), cipher, nullptr, reinterpret_cast<const unsigned char *>(key.constData()),
            reinterpret_cast<const unsigned char *>(iv.constData()), encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), &len,
                         reinterpret_cast<const unsigned char *>(data.constData()),
                         data.size()) != 1)
        return QByteArray();
    return out;
}

QByteArray padToBlock(QByteArray data, int block) {
    const int rest = data.size() % block;
    if (rest != 0)
        data.append(QByteArray(block - rest, '\0'));
    return data;
}

// Runs the package segments through AES-CBC: segment i with IV H(salt + LE32(i)).
// For encryption the input is the plain package, for decryption the encrypted bytes; in both
// cases its length is a multiple of the block size.
bool runSegments(bool encrypt, const EVP_MD *md, int keyBits, const QByteArray &key,
                 const QByteArray &keySalt, const char *in, char *out, qint64 length) {
    const EVP_CIPHER *cipher = aesCbc(keyBits);
    CipherCtx ctx(EVP_CIPHER_CTX_new());
    if (!cipher || !ctx ||
        EVP_CipherInit_ex(ctx.get(), cipher, nullptr,
                          reinterpret_cast<const unsigned char *>(key.constData()), nullptr,
                          encrypt ? 1 : 0) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1)
        return false;
    MdCtx hashCtx(EVP_MD_CTX_new());
    if (!hashCtx)
        return false;
    unsigned char ivHash[EVP_MAX_MD_SIZE];
    for (qint64 offset = 0, index = 0; offset < length; offset += kSegmentSize, ++index) {
        unsigned char indexBytes[4];
        qToLittleEndian<quint32>(quint32(index), indexBytes);
        unsigned int hashLen = 0;
        if (EVP_DigestInit_ex(hashCtx.get(), md, nullptr) != 1 ||
            EVP_DigestUpdate(hashCtx.get(), keySalt.constData(), size_t(keySalt.size())) != 1 ||
            EVP_DigestUpdate(hashCtx.get(), indexBytes, 4) != 1 ||
            EVP_DigestFinal_ex(hashCtx.get(), ivHash, &hashLen) != 1)
            return false;
        unsigned char iv[16];
        for (unsigned int k = 0; k < 16; ++k)
            iv[k] = k < hashLen ? ivHash[k] : 0x36;
        const int n = int(std::min<qint64>(kSegmentSize, length - offset));
        int written = 0;
        if (EVP_CipherInit_ex(ctx.get(), nullptr, nullptr, nullptr, iv, -1) != 1 ||
            EVP_CipherUpdate(ctx.get(), reinterpret_cast<unsigned char *>(out + offset), &written,
                             reinterpret_cast<const unsigned char *>(in + offset), n) != 1 ||
            written != n)
            return false;
    }
    return true;
}

QByteArray hmac(const EVP_MD *md, const QByteArray &key, const QByteArray &data) {
    QByteArray out(EVP_MAX_MD_SIZE, '\0');
    unsigned int len = 0;
    if (!HMAC(md, key.constData(), key.size(),
              reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size()),
              reinterpret_cast<unsigned char *>(out.data()), &len))
        return QByteArray();
    out.truncate(int(len));
    return out;
}

bool randomBytes(QByteArray &out, int n) {
    out = QByteArray(n, '\0');
    return RAND_bytes(reinterpret_cast<unsigned char *>(out.data()), n) == 1;
}

bool sameBytes(const QByteArray &a, const QByteArray &b) {
    return a.size() == b.size() &&
           CRYPTO_memcmp(a.constData(), b.constData(), size_t(a.size())) == 0;
}

// ---- data spaces ----------------------------------------------------------------------------

void put32(QByteArray &out, quint32 v) {
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

// A length-prefixed UTF-16 string padded to four bytes.
void putUnicode(QByteArray &out, const QString &text) {
    const QByteArray bytes = utf16le(text);
    put32(out, quint32(bytes.size()));
    out.append(bytes);
    if (bytes.size() % 4 != 0)
        out.append(QByteArray(4 - bytes.size() % 4, '\0'));
}

void putVersion(QByteArray &out) {
    put32(out, 0x00000001); // major 1, minor 0 (two 16-bit halves)
}

QByteArray dataSpaceVersion() {
    QByteArray out;
    putUnicode(out, QStringLiteral("Microsoft.Container.DataSpaces"));
    putVersion(out); // reader
    putVersion(out); // updater
    putVersion(out); // writer
    return out;
}

QByteArray dataSpaceMap() {
    QByteArray entry;
    put32(entry, 1); // reference components
    put32(entry, 0); // the component is a stream
    putUnicode(entry, kEncryptedPackage);
    putUnicode(entry, QStringLiteral("StrongEncryptionDataSpace"));
    QByteArray out;
    put32(out, 8); // header length
    put32(out, 1); // entries
    put32(out, quint32(entry.size() + 4));
    out.append(entry);
    return out;
}

QByteArray dataSpaceDefinition() {
    QByteArray out;
    put32(out, 8); // header length
    put32(out, 1); // transforms
    putUnicode(out, QStringLiteral("StrongEncryptionTransform"));
    return out;
}

QByteArray transformPrimary() {
    QByteArray id;
    putUnicode(id, QStringLiteral("{FF9A3F03-56EF-4613-BDD5-5A41C1D07246}"));
    QByteArray out;
    put32(out, quint32(8 + id.size())); // bytes up to the transform name
    put32(out, 1);                      // transform type
    out.append(id);
    putUnicode(out, QStringLiteral("Microsoft.Container.EncryptionTransform"));
    putVersion(out);
    putVersion(out);
    putVersion(out);
    put32(out, 0); // encryption name: empty
    put32(out, 0); // block size
    put32(out, 0); // cipher mode
    put32(out, 4); // reserved, always 4
    return out;
}

// ---- descriptor -----------------------------------------------------------------------------

struct CipherParams {
    int saltSize = 0;
    int blockSize = 0;
    int keyBits = 0;
    int hashSize = 0;
    QString cipherAlgorithm;
    QString cipherChaining;
    QString hashAlgorithm;
    QByteArray salt;
    const EVP_MD *md = nullptr;
};

struct PasswordKey {
    CipherParams params;
    quint32 spinCount = 0;
    QByteArray verifierInput;
    QByteArray verifierValue;
    QByteArray keyValue;
};

struct Descriptor {
    CipherParams keyData;
    bool haveKeyData = false;
    bool haveIntegrity = false;
    QByteArray hmacKey;
    QByteArray hmacValue;
    bool havePassword = false;
    PasswordKey password;
};

QString b64(const QByteArray &bytes) {
    return QString::fromLatin1(bytes.toBase64());
}

QString paramAttributes(const CipherParams &p) {
    return QStringLiteral("saltSize=\"%1\" blockSize=\"%2\" keyBits=\"%3\" hashSize=\"%4\" "
                          "cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" "
                          "hashAlgorithm=\"SHA512\" saltValue=\"%5\"")
        .arg(p.saltSize)
        .arg(p.blockSize)
        .arg(p.keyBits)
        .arg(p.hashSize)
        .arg(b64(p.salt));
}

bool readBase64(const QXmlStreamAttributes &a, const QString &name, QByteArray &out) {
    auto decoded = QByteArray::fromBase64Encoding(a.value(name).toLatin1(),
                                                  QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    out = *decoded;
    return true;
}

Result<CipherParams> readParams(const QXmlStreamAttributes &a) {
    CipherParams p;
    bool ok1 = false, ok2 = false, ok3 = false, ok4 = false;
    p.saltSize = a.value(QLatin1String("saltSize")).toInt(&ok1);
    p.blockSize = a.value(QLatin1String("blockSize")).toInt(&ok2);
    p.keyBits = a.value(QLatin1String("keyBits")).toInt(&ok3);
    p.hashSize = a.value(QLatin1String("hashSize")).toInt(&ok4);
    p.cipherAlgorithm = a.value(QLatin1String("cipherAlgorithm")).toString();
    p.cipherChaining = a.value(QLatin1String("cipherChaining")).toString();
    p.hashAlgorithm = a.value(QLatin1String("hashAlgorithm")).toString();
    if (!ok1 || !ok2 || !ok3 || !ok4 || !readBase64(a, QStringLiteral("saltValue"), p.salt))
        return damaged(QStringLiteral("暗号化情報の属性が不正です"));
    if (p.cipherAlgorithm != QLatin1String("AES") || !aesCbc(p.keyBits) || p.blockSize != 16)
        return unsupported(QStringLiteral("%1 %2 ビット").arg(p.cipherAlgorithm).arg(p.keyBits));
    if (p.cipherChaining != QLatin1String("ChainingModeCBC"))
        return unsupported(p.cipherChaining);
    p.md = digestNamed(p.hashAlgorithm);
    if (!p.md)
        return unsupported(p.hashAlgorithm);
    if (p.hashSize != EVP_MD_get_size(p.md) || p.saltSize < 1 || p.saltSize > 65536 ||
        p.salt.size() != p.saltSize)
        return damaged(QStringLiteral("暗号化情報の大きさが不正です"));
    return p;
}

Result<Descriptor> parseDescriptor(const QByteArray &xml) {
    Descriptor d;
    QXmlStreamReader reader(xml);
    bool inPasswordEncryptor = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::EndElement &&
            reader.name() == QLatin1String("keyEncryptor")) {
            inPasswordEncryptor = false;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        const auto name = reader.name();
        if (reader.namespaceUri() == kEncryptionNs && name == QLatin1String("keyData")) {
            auto p = readParams(a);
            if (!p)
                return p.error();
            d.keyData = *p;
            d.haveKeyData = true;
        } else if (reader.namespaceUri() == kEncryptionNs &&
                   name == QLatin1String("dataIntegrity")) {
            if (!readBase64(a, QStringLiteral("encryptedHmacKey"), d.hmacKey) ||
                !readBase64(a, QStringLiteral("encryptedHmacValue"), d.hmacValue))
                return damaged(QStringLiteral("改ざん検査の情報が不正です"));
            d.haveIntegrity = true;
        } else if (reader.namespaceUri() == kEncryptionNs &&
                   name == QLatin1String("keyEncryptor")) {
            inPasswordEncryptor = a.value(QLatin1String("uri")) == kPasswordNs;
        } else if (inPasswordEncryptor && reader.namespaceUri() == kPasswordNs &&
                   name == QLatin1String("encryptedKey") && !d.havePassword) {
            auto p = readParams(a);
            if (!p)
                return p.error();
            PasswordKey &k = d.password;
            k.params = *p;
            bool ok = false;
            const qulonglong spin = a.value(QLatin1String("spinCount")).toULongLong(&ok);
            if (!ok || spin > kMaxSpinCount)
                return damaged(QStringLiteral("spinCount が不正です"));
            k.spinCount = quint32(spin);
            if (!readBase64(a, QStringLiteral("encryptedVerifierHashInput"), k.verifierInput) ||
                !readBase64(a, QStringLiteral("encryptedVerifierHashValue"), k.verifierValue) ||
                !readBase64(a, QStringLiteral("encryptedKeyValue"), k.keyValue))
                return damaged(QStringLiteral("パスワードの検証情報が不正です"));
            d.havePassword = true;
        }
    }
    if (reader.hasError())
        return damaged(QStringLiteral("暗号化情報の XML が読めません"));
    if (!d.haveKeyData)
        return damaged(QStringLiteral("keyData がありません"));
    if (!d.havePassword)
        return unsupported(QStringLiteral("パスワード以外の鍵"));
    return d;
}

// Decrypts an encrypted field (padded to whole blocks) and keeps its first `length` bytes.
QByteArray openField(const CipherParams &p, const QByteArray &key, const QByteArray &iv,
                     const QByteArray &data, int length) {
    if (data.isEmpty() || data.size() % p.blockSize != 0 || data.size() < length)
        return QByteArray();
    QByteArray plain = aesCbcRun(false, p.keyBits, key, iv, data);
    return plain.size() < length ? QByteArray() : plain.left(length);
}

} // namespace

QString wrongPasswordMessage() {
    return QStringLiteral("パスワードが違います。");
}

bool isEncryptedPackage(const QByteArray &bytes) {
    if (!isCompoundFile(bytes))
        return false;
    auto cf = CompoundFile::open(bytes);
    return cf && cf->hasStream({kEncryptionInfo}) && cf->hasStream({kEncryptedPackage});
}

Result<QByteArray> encryptPackage(const QByteArray &zipBytes, const QString &password,
                                  quint32 spinCount) {
    if (password.isEmpty())
        return Error{QStringLiteral("パスワードが空です。"), QString()};
    if (spinCount > kMaxSpinCount)
        return Error{QStringLiteral("spinCount が大きすぎます（%1）。").arg(spinCount), QString()};
    const EVP_MD *md = EVP_sha512();
    CipherParams keyData{kSaltSize, 16, 256, 64, QString(), QString(), QString(), {}, md};
    CipherParams pwParams = keyData;
    QByteArray packageKey, verifierInput, hmacKey;
    if (!randomBytes(keyData.salt, kSaltSize) || !randomBytes(pwParams.salt, kSaltSize) ||
        !randomBytes(packageKey, kKeyBytes) || !randomBytes(verifierInput, kSaltSize) ||
        !randomBytes(hmacKey, 64))
        return cryptoFailure();

    // 1. The package, segment by segment.
    const qint64 plainSize = zipBytes.size();
    const QByteArray padded = padToBlock(zipBytes, 16);
    QByteArray stream(8 + padded.size(), '\0');
    qToLittleEndian<quint64>(quint64(plainSize), stream.data());
    if (!runSegments(true, md, 256, packageKey, keyData.salt, padded.constData(), stream.data() + 8,
                     padded.size()))
        return cryptoFailure();

    // 2. Integrity: HMAC over the whole stream, key and value encrypted with the package key.
    const QByteArray hmacValue = hmac(md, hmacKey, stream);
    const QByteArray encHmacKey =
        aesCbcRun(true, 256, packageKey, fitTo(digest(md, {keyData.salt, kBlockHmacKey}), 16),
                  padToBlock(hmacKey, 16));
    const QByteArray encHmacValue =
        aesCbcRun(true, 256, packageKey, fitTo(digest(md, {keyData.salt, kBlockHmacValue}), 16),
                  padToBlock(hmacValue, 16));

    // 3. The password: verifier and the package key, encrypted with password-derived keys.
    const QByteArray h = passwordHash(md, pwParams.salt, password, spinCount);
    if (h.isEmpty())
        return cryptoFailure();
    auto keyFor = [&](const QByteArray &block) { return fitTo(digest(md, {h, block}), 32); };
    const QByteArray iv = fitTo(pwParams.salt, 16);
    const QByteArray encVerifierInput =
        aesCbcRun(true, 256, keyFor(kBlockVerifierInput), iv, padToBlock(verifierInput, 16));
    const QByteArray encVerifierValue = aesCbcRun(true, 256, keyFor(kBlockVerifierValue), iv,
                                                  padToBlock(digest(md, {verifierInput}), 16));
    const QByteArray encKeyValue = aesCbcRun(true, 256, keyFor(kBlockKeyValue), iv, packageKey);
    if (hmacValue.isEmpty() || encHmacKey.isEmpty() || encHmacValue.isEmpty() ||
        encVerifierInput.isEmpty() || encVerifierValue.isEmpty() || encKeyValue.isEmpty())
        return cryptoFailure();

    // 4. EncryptionInfo: version 4.4, flags 0x40, then the descriptor.
    const QString xml =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                       "<encryption xmlns=\"%1\" xmlns:p=\"%2\" "
                       "xmlns:c=\"http://schemas.microsoft.com/office/2006/keyEncryptor/"
                       "certificate\"><keyData %3/>"
                       "<dataIntegrity encryptedHmacKey=\"%4\" encryptedHmacValue=\"%5\"/>"
                       "<keyEncryptors><keyEncryptor uri=\"%2\"><p:encryptedKey "
                       "spinCount=\"%6\" %7 encryptedVerifierHashInput=\"%8\" "
                       "encryptedVerifierHashValue=\"%9\" encryptedKeyValue=\"%10\"/>"
                       "</keyEncryptor></keyEncryptors></encryption>")
            .arg(kEncryptionNs, kPasswordNs, paramAttributes(keyData), b64(encHmacKey),
                 b64(encHmacValue), QString::number(spinCount), paramAttributes(pwParams),
                 b64(encVerifierInput), b64(encVerifierValue))
            .arg(b64(encKeyValue));
    QByteArray info;
    info.append(char(4)).append(char(0)).append(char(4)).append(char(0));
    put32(info, 0x40);
    info.append(xml.toUtf8());

    const QString ds = QStringLiteral("\x06") + QStringLiteral("DataSpaces");
    CompoundFileWriter writer;
    writer.addStream({ds, QStringLiteral("Version")}, dataSpaceVersion());
    writer.addStream({ds, QStringLiteral("DataSpaceMap")}, dataSpaceMap());
    writer.addStream(
        {ds, QStringLiteral("DataSpaceInfo"), QStringLiteral("StrongEncryptionDataSpace")},
        dataSpaceDefinition());
    writer.addStream({ds, QStringLiteral("TransformInfo"),
                      QStringLiteral("StrongEncryptionTransform"),
                      QStringLiteral("\x06") + QStringLiteral("Primary")},
                     transformPrimary());
    writer.addStream({kEncryptionInfo}, info);
    writer.addStream({kEncryptedPackage}, stream);
    return writer.build();
}

Result<QByteArray> decryptPackage(const QByteArray &cfbBytes, const QString &password) {
    if (!isCompoundFile(cfbBytes))
        return notEncrypted();
    auto cf = CompoundFile::open(cfbBytes);
    if (!cf)
        return cf.error();
    if (!cf->hasStream({kEncryptionInfo}) || !cf->hasStream({kEncryptedPackage}))
        return notEncrypted();
    auto info = cf->stream({kEncryptionInfo});
    if (!info)
        return info.error();
    if (info->size() < 8)
        return damaged(QStringLiteral("暗号化情報が短すぎます"));
    const quint16 major = qFromLittleEndian<quint16>(info->constData());
    const quint16 minor = qFromLittleEndian<quint16>(info->constData() + 2);
    if (major != 4 || minor != 4) {
        if ((major == 2 || major == 3 || major == 4) && minor == 2)
            return unsupported(QStringLiteral("標準暗号化 %1.%2").arg(major).arg(minor));
        return unsupported(QStringLiteral("版 %1.%2").arg(major).arg(minor));
    }
    auto desc = parseDescriptor(info->mid(8));
    if (!desc)
        return desc.error();
    const CipherParams &kd = desc->keyData;
    const PasswordKey &pk = desc->password;
    const CipherParams &pp = pk.params;

    // Password check: the verifier input's hash must match the stored hash.
    const QByteArray h = passwordHash(pp.md, pp.salt, password, pk.spinCount);
    if (h.isEmpty())
        return cryptoFailure();
    const int keyLen = pp.keyBits / 8;
    auto keyFor = [&](const QByteArray &block) { return fitTo(digest(pp.md, {h, block}), keyLen); };
    const QByteArray iv = fitTo(pp.salt, pp.blockSize);
    const QByteArray verifierInput =
        openField(pp, keyFor(kBlockVerifierInput), iv, pk.verifierInput, pp.saltSize);
    const QByteArray verifierValue =
        openField(pp, keyFor(kBlockVerifierValue), iv, pk.verifierValue, pp.hashSize);
    if (verifierInput.isEmpty() || verifierValue.isEmpty())
        return damaged(QStringLiteral("パスワードの検証情報の長さが不正です"));
    if (!sameBytes(digest(pp.md, {verifierInput}), verifierValue))
        return Error{wrongPasswordMessage(), QString()};
    const QByteArray packageKey =
        openField(pp, keyFor(kBlockKeyValue), iv, pk.keyValue, kd.keyBits / 8);
    if (packageKey.isEmpty())
        return damaged(QStringLiteral("鍵の長さが不正です"));

    auto stream = cf->stream({kEncryptedPackage});
    if (!stream)
        return stream.error();
    if (stream->size() < 8)
        return damaged(QStringLiteral("暗号化されたパッケージが短すぎます"));
    const quint64 plainSize = qFromLittleEndian<quint64>(stream->constData());
    const quint64 payload = quint64(stream->size()) - 8;
    const quint64 needed =
        (plainSize + quint64(kd.blockSize) - 1) / quint64(kd.blockSize) * quint64(kd.blockSize);
    if (plainSize > payload || needed > payload)
        return damaged(QStringLiteral("パッケージの大きさ %1 が不正です").arg(plainSize));

    // Integrity before use: the HMAC over the whole stream must match.
    if (desc->haveIntegrity) {
        const QByteArray hmacKey =
            openField(kd, packageKey, fitTo(digest(kd.md, {kd.salt, kBlockHmacKey}), kd.blockSize),
                      desc->hmacKey, kd.hashSize);
        const QByteArray hmacValue = openField(
            kd, packageKey, fitTo(digest(kd.md, {kd.salt, kBlockHmacValue}), kd.blockSize),
            desc->hmacValue, kd.hashSize);
        if (hmacKey.isEmpty() || hmacValue.isEmpty() ||
            !sameBytes(hmac(kd.md, hmacKey, *stream), hmacValue))
            return damaged(QStringLiteral("改ざん検査に失敗しました"));
    }

    QByteArray plain(int(needed), '\0');
    if (!runSegments(false, kd.md, kd.keyBits, packageKey, kd.salt, stream->constData() + 8,
                     plain.data(), qint64(needed)))
        return cryptoFailure();
    plain.truncate(int(plainSize));
    return plain;
}

} // namespace kelvoran
