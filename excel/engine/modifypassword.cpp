#include "excel/engine/modifypassword.h"

#include <QtEndian>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <memory>

namespace kelvoran {

namespace {

constexpr quint32 kSpinCount = 100000;
constexpr quint32 kMaxSpinCount = 10000000;
constexpr int kSaltSize = 16;

const EVP_MD *digestNamed(const QString &name) {
    if (name == QLatin1String("SHA-512"))
        return EVP_sha512();
    if (name == QLatin1String("SHA-384"))
        return EVP_sha384();
    if (name == QLatin1String("SHA-256"))
        return EVP_sha256();
    if (name == QLatin1String("SHA-1"))
        return EVP_sha1();
    return nullptr;
}

struct MdCtxFree {
    void operator()(EVP_MD_CTX *c) const { EVP_MD_CTX_free(c); }
};

// The raw iterated hash; empty on failure.
QByteArray iteratedHash(const EVP_MD *md, const QByteArray &salt, const QString &password,
                        quint32 spinCount) {
    std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
    if (!ctx)
        return QByteArray();
    const int hashLen = EVP_MD_get_size(md);
    // The working buffer holds H followed by the 4-byte iterator.
    QByteArray buf(hashLen + 4, '\0');
    auto *raw = reinterpret_cast<unsigned char *>(buf.data());
    QByteArray text(password.size() * 2, '\0');
    for (int i = 0; i < password.size(); ++i)
        qToLittleEndian<quint16>(password.at(i).unicode(), text.data() + 2 * i);
    unsigned int len = 0;
    if (EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), salt.constData(), size_t(salt.size())) != 1 ||
        EVP_DigestUpdate(ctx.get(), text.constData(), size_t(text.size())) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), raw, &len) != 1)
        return QByteArray();
    for (quint32 i = 0; i < spinCount; ++i) {
        qToLittleEndian<quint32>(i, raw + hashLen);
        if (EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1 ||
            EVP_DigestUpdate(ctx.get(), raw, size_t(hashLen + 4)) != 1 ||
            EVP_DigestFinal_ex(ctx.get(), raw, &len) != 1)
            return QByteArray();
    }
    return buf.left(hashLen);
}

} // namespace

Result<QString> modifyPasswordHashValue(const QString &password, const QString &algorithmName,
                                        const QByteArray &salt, quint32 spinCount) {
    const EVP_MD *md = digestNamed(algorithmName);
    if (!md)
        return Error{QStringLiteral("対応していないハッシュ方式です（%1）。").arg(algorithmName),
                     QString()};
    if (spinCount > kMaxSpinCount)
        return Error{QStringLiteral("spinCount が大きすぎます（%1）。").arg(spinCount), QString()};
    const QByteArray h = iteratedHash(md, salt, password, spinCount);
    if (h.isEmpty())
        return Error{QStringLiteral("暗号処理に失敗しました。"), QString()};
    return QString::fromLatin1(h.toBase64());
}

Result<FileSharingHash> makeModifyPasswordHash(const QString &password, const QString &userName) {
    QByteArray salt(kSaltSize, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(salt.data()), kSaltSize) != 1)
        return Error{QStringLiteral("暗号処理に失敗しました。"), QString()};
    FileSharingHash out;
    out.userName = userName;
    out.algorithmName = QStringLiteral("SHA-512");
    out.saltValue = QString::fromLatin1(salt.toBase64());
    out.spinCount = kSpinCount;
    auto value = modifyPasswordHashValue(password, out.algorithmName, salt, kSpinCount);
    if (!value)
        return value.error();
    out.hashValue = *value;
    return out;
}

bool verifyModifyPassword(const FileSharingHash &hash, const QString &password) {
    auto salt = QByteArray::fromBase64Encoding(hash.saltValue.toLatin1(),
                                               QByteArray::AbortOnBase64DecodingErrors);
    auto stored = QByteArray::fromBase64Encoding(hash.hashValue.toLatin1(),
                                                 QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !stored)
        return false;
    auto value = modifyPasswordHashValue(password, hash.algorithmName, *salt, hash.spinCount);
    if (!value)
        return false;
    const QByteArray computed = QByteArray::fromBase64(value->toLatin1());
    const QByteArray &expected = stored.decoded;
    return computed.size() == expected.size() &&
           CRYPTO_memcmp(computed.constData(), expected.constData(), size_t(computed.size())) == 0;
}

} // namespace kelvoran
