// Workbook passwords: the compound-file container, agile encryption ("password to open") and the
// write-reservation hash ("password to modify"). Independent readers: olefile and
// msoffcrypto-tool for the container and the encryption, openpyxl for the decrypted workbook,
// hashlib for the reservation hash.
#include "excel/engine/agileencryption.h"
#include "excel/engine/compoundfile.h"
#include "excel/engine/modifypassword.h"
#include "tests/support/testsupport.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

using namespace kelvoran;
using kelvoran::test::runPython;

namespace {

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Bytes that do not compress and repeat nowhere, from a fixed seed.
QByteArray noise(int size, unsigned seed) {
    std::mt19937 gen(seed);
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char(gen() & 0xFF);
    return out;
}

// A workbook written by openpyxl: one sheet with a Japanese text and a number.
QByteArray openpyxlWorkbook(const QString &dir) {
    const QString path = dir + QStringLiteral("/plain.xlsx");
    const auto r = runPython(QStringLiteral("import sys, openpyxl\n"
                                            "wb = openpyxl.Workbook()\n"
                                            "ws = wb.active\n"
                                            "ws.title = '売上'\n"
                                            "ws['A1'] = '取引先'\n"
                                            "ws['B2'] = 12345.5\n"
                                            "wb.save(sys.argv[1])\n"),
                             {path});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    return readAll(path);
}

// Decrypts with msoffcrypto-tool into outPath; returns the process result. With checks, the
// password verifier and the HMAC are verified too (msoffcrypto-tool can do that only for hash
// sizes that are whole AES blocks, so not for SHA-1).
test::ProcessResult msoffcryptoDecrypt(const QString &inPath, const QString &password,
                                       const QString &outPath, bool checks = true) {
    return runPython(
        QStringLiteral("import sys, msoffcrypto\n"
                       "checks = sys.argv[4] == '1'\n"
                       "with open(sys.argv[1], 'rb') as f:\n"
                       "    o = msoffcrypto.OfficeFile(f)\n"
                       "    o.load_key(password=sys.argv[2], verify_password=checks)\n"
                       "    with open(sys.argv[3], 'wb') as out:\n"
                       "        o.decrypt(out, verify_integrity=checks)\n"),
        {inPath, password, outPath, checks ? QStringLiteral("1") : QStringLiteral("0")});
}

const QString kDataSpaces = QStringLiteral("\x06") + QStringLiteral("DataSpaces");

} // namespace

// ---- compound files ---------------------------------------------------------------------------

TEST(CompoundNames, OrderIsLengthThenUpperCase) {
    struct Case {
        const char *a;
        const char *b;
        int sign;
    };
    const std::vector<Case> cases{
        {"B", "AA", -1},           // shorter first, whatever the letters
        {"abc", "ABD", -1},        // same length: upper-case code units
        {"Version", "VERSION", 0}, // letter case does not count
        {"_x", "ax", 1},           // '_' (0x5F) sorts after upper-case 'A' (0x41)
        {"EncryptionInfo", "EncryptedPackage", -1},
    };
    for (const Case &c : cases) {
        const int got = compareCompoundNames(QString::fromUtf8(c.a), QString::fromUtf8(c.b));
        const int sign = got < 0 ? -1 : (got > 0 ? 1 : 0);
        EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b;
    }
}

// Streams of many sizes in nested storages, written by us and read back by our reader and by
// olefile: names, contents and the mini-stream boundary (4096) must agree.
TEST(CompoundFile, WrittenFileReadsBackHereAndInOlefile) {
    struct Stream {
        QStringList path;
        QByteArray data;
    };
    std::vector<Stream> streams{
        {{QStringLiteral("Empty")}, QByteArray()},
        {{QStringLiteral("One")}, QByteArray("x")},
        {{QStringLiteral("Mini63")}, noise(63, 1)},
        {{QStringLiteral("Mini4095")}, noise(4095, 2)},
        {{QStringLiteral("Big4096")}, noise(4096, 3)},
        {{QStringLiteral("Big70001")}, noise(70001, 4)},
        {{QStringLiteral("日本語の名前")}, QByteArray("utf-16 name")},
    };
    // A storage with many children makes a deeper sibling tree.
    for (int i = 0; i < 23; ++i)
        streams.push_back(
            {{QStringLiteral("Store"), QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'))},
             noise(100 * i + 1, unsigned(100 + i))});
    streams.push_back({{QStringLiteral("Store"), QStringLiteral("Inner"), QStringLiteral("Leaf")},
                       noise(5000, 9)});

    CompoundFileWriter writer;
    for (const Stream &s : streams)
        writer.addStream(s.path, s.data);
    auto built = writer.build();
    ASSERT_TRUE(built) << built.error().message.toStdString();
    EXPECT_TRUE(isCompoundFile(*built));

    auto cf = CompoundFile::open(*built);
    ASSERT_TRUE(cf) << cf.error().message.toStdString();
    EXPECT_EQ(cf->streamPaths().size(), int(streams.size()));
    for (const Stream &s : streams) {
        auto got = cf->stream(s.path);
        ASSERT_TRUE(got) << s.path.join('/').toStdString();
        EXPECT_EQ(*got, s.data) << s.path.join('/').toStdString();
    }
    QStringList lower{QStringLiteral("store"), QStringLiteral("s05")};
    EXPECT_TRUE(cf->hasStream(lower)) << "names are looked up without regard to case";
    EXPECT_FALSE(cf->hasStream({QStringLiteral("Missing")}));
    EXPECT_FALSE(cf->stream({QStringLiteral("Missing")}));

    // olefile: every stream with its SHA-256, one per line.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/t.cfb");
    ASSERT_TRUE(writeAll(path, *built));
    const auto r =
        runPython(QStringLiteral("import sys, hashlib, olefile\n"
                                 "ole = olefile.OleFileIO(sys.argv[1])\n"
                                 "for p in sorted(ole.listdir()):\n"
                                 "    d = ole.openstream(p).read()\n"
                                 "    print('/'.join(p), hashlib.sha256(d).hexdigest())\n"),
                  {path});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList expected;
    for (const Stream &s : streams)
        expected << s.path.join('/') + QLatin1Char(' ') +
                        QString::fromLatin1(
                            QCryptographicHash::hash(s.data, QCryptographicHash::Sha256).toHex());
    expected.sort();
    QStringList got = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    got.sort();
    EXPECT_EQ(got, expected);

    // Each storage's children must form a red-black tree ordered the compound-file way: a
    // black root, no red node with a red child, the same number of black nodes on every path.
    const auto rb = runPython(QStringLiteral(R"PY(
import sys, struct
b = open(sys.argv[1], 'rb').read()
fat_sectors = [struct.unpack_from('<I', b, 0x4C + 4 * i)[0] for i in range(struct.unpack_from('<I', b, 0x2C)[0])]
fat = [v for s in fat_sectors for v in struct.unpack_from('<128I', b, 512 * (s + 1))]
s, raw = struct.unpack_from('<I', b, 0x30)[0], b''
while s != 0xFFFFFFFE:
    raw += b[512 * (s + 1):512 * (s + 2)]
    s = fat[s]
E = []
for o in range(0, len(raw), 128):
    n = struct.unpack_from('<H', raw, o + 64)[0]
    name = raw[o:o + max(n - 2, 0)].decode('utf-16-le')
    typ, color, left, right, child = struct.unpack_from('<BBIII', raw, o + 66)
    E.append((name, typ, color, left, right, child))
key = lambda name: (len(name), name.upper())
def check(i, lo, hi):  # returns black height; lo/hi bound the keys
    if i == 0xFFFFFFFF:
        return 1
    name, typ, color, left, right, child = E[i]
    assert (lo is None or key(E[lo][0]) < key(name)) and (hi is None or key(name) < key(E[hi][0])), name
    for c in (left, right):
        assert not (color == 0 and c != 0xFFFFFFFF and E[c][2] == 0), 'red-red at ' + name
    hl, hr = check(left, lo, i), check(right, i, hi)
    assert hl == hr, 'black height differs at ' + name
    return hl + (1 if color == 1 else 0)
for i, e in enumerate(E):
    if e[1] in (1, 5) and e[5] != 0xFFFFFFFF:
        assert E[e[5]][2] == 1, 'red root under ' + e[0]
        check(e[5], None, None)
print('ok')
)PY"),
                              {path});
    EXPECT_EQ(rb.exitCode, 0) << rb.err.toStdString();
    EXPECT_EQ(rb.out.trimmed(), QStringLiteral("ok"));
}

TEST(CompoundFile, WriterRefusesNamesItCannotStore) {
    const std::vector<QStringList> bad{
        {QString()},
        {QStringLiteral("a/b")},
        {QString(32, QLatin1Char('x'))}, // 31 characters at most
        {QStringLiteral("S"), QStringLiteral("x!")},
    };
    for (const QStringList &path : bad) {
        CompoundFileWriter w;
        w.addStream(path, QByteArray("data"));
        EXPECT_FALSE(w.build()) << path.join('/').toStdString();
    }
    CompoundFileWriter clash; // a stream where a storage of the same name is needed
    clash.addStream({QStringLiteral("A")}, QByteArray("1"));
    clash.addStream({QStringLiteral("a"), QStringLiteral("B")}, QByteArray("2"));
    EXPECT_FALSE(clash.build());
}

namespace {

// A small valid compound file and the offsets of its structures, for the hostile cases.
struct Sample {
    QByteArray bytes;
    quint32 dirSector = 0;
    quint32 fatSector = 0;
};

Sample sampleFile(int largeSize = 9000) {
    CompoundFileWriter w;
    w.addStream({QStringLiteral("Small")}, noise(300, 11));
    w.addStream({QStringLiteral("Large")}, noise(largeSize, 12));
    w.addStream({QStringLiteral("Dir"), QStringLiteral("Inner")}, noise(100, 13));
    Sample s;
    s.bytes = *w.build();
    s.dirSector = qFromLittleEndian<quint32>(s.bytes.constData() + 0x30);
    s.fatSector = qFromLittleEndian<quint32>(s.bytes.constData() + 0x4C);
    return s;
}

void put32(QByteArray &b, qint64 offset, quint32 v) {
    qToLittleEndian<quint32>(v, b.data() + offset);
}

// Opens and reads every stream; true when everything succeeded.
bool openAndReadAll(const QByteArray &bytes) {
    auto cf = CompoundFile::open(bytes);
    if (!cf)
        return false;
    bool all = true;
    for (const QStringList &p : cf->streamPaths())
        all = cf->stream(p).isOk() && all;
    return all;
}

} // namespace

// Damaged and hostile files end in a clear error: never a crash, a hang or a huge allocation.
TEST(CompoundFile, HostileInputGivesErrors) {
    const Sample s = sampleFile();
    ASSERT_TRUE(openAndReadAll(s.bytes));
    const qint64 dir = (qint64(s.dirSector) + 1) * 512;
    const qint64 fat = (qint64(s.fatSector) + 1) * 512;
    // The root is entry 0, its child the first stream; entry i starts at dir + 128 * i.
    const quint32 rootChild = qFromLittleEndian<quint32>(s.bytes.constData() + dir + 0x4C);
    const qint64 child = dir + 128 * qint64(rootChild);
    // Large's directory entry: find it by name.
    qint64 large = -1;
    for (int i = 0; i < 8; ++i) {
        if (s.bytes.mid(int(dir + 128 * i), 10) == QByteArray("L\0a\0r\0g\0e\0", 10))
            large = dir + 128 * i;
    }
    ASSERT_GE(large, 0);
    const quint32 largeStart = qFromLittleEndian<quint32>(s.bytes.constData() + large + 0x74);

    struct Case {
        const char *name;
        std::function<void(QByteArray &)> damage;
    };
    const std::vector<Case> cases{
        {"truncated header", [](QByteArray &b) { b.truncate(300); }},
        {"no signature", [](QByteArray &b) { b[0] = 'P'; }},
        {"bad version", [](QByteArray &b) { put32(b, 0x18, 0x0005003E); }},
        {"sector shift 20", [](QByteArray &b) { b[0x1E] = 20; }},
        {"FAT count huge", [](QByteArray &b) { put32(b, 0x2C, 0x7FFFFFFF); }},
        {"FAT sector out of range", [](QByteArray &b) { put32(b, 0x4C, 100000); }},
        {"directory start out of range", [](QByteArray &b) { put32(b, 0x30, 0xFFFFFFF0); }},
        {"directory chain loops on itself",
         [&](QByteArray &b) { put32(b, fat + 4 * s.dirSector, s.dirSector); }},
        {"stream chain loops",
         [&](QByteArray &b) { put32(b, fat + 4 * (largeStart + 1), largeStart); }},
        {"stream chain ends early",
         [&](QByteArray &b) { put32(b, fat + 4 * (largeStart + 2), 0xFFFFFFFE); }},
        {"stream chain to a free mark",
         [&](QByteArray &b) { put32(b, fat + 4 * largeStart, 0xFFFFFFFF); }},
        {"stream size beyond the file", [&](QByteArray &b) { put32(b, large + 0x78, 0x7FFFFFF0); }},
        {"stream start out of range", [&](QByteArray &b) { put32(b, large + 0x74, 5000000); }},
        {"sibling tree loops to the root", [&](QByteArray &b) { put32(b, child + 0x44, 0); }},
        {"sibling out of range", [&](QByteArray &b) { put32(b, child + 0x48, 4000); }},
        {"child points to itself", [&](QByteArray &b) { put32(b, dir + 0x4C, 0); }},
        {"name length odd", [&](QByteArray &b) { b[int(child + 0x40)] = 7; }},
        {"name length too long", [&](QByteArray &b) { b[int(child + 0x40)] = char(200); }},
        {"entry type unknown", [&](QByteArray &b) { b[int(child + 0x42)] = 9; }},
        {"root not a root", [&](QByteArray &b) { b[int(dir + 0x42)] = 1; }},
        {"mini stream size beyond the file",
         [&](QByteArray &b) { put32(b, dir + 0x78, 0x7FFFFFFF); }},
        {"file cut in the middle", [](QByteArray &b) { b.truncate(b.size() / 2); }},
    };
    for (const Case &c : cases) {
        QByteArray b = s.bytes;
        c.damage(b);
        EXPECT_FALSE(openAndReadAll(b)) << c.name;
        auto cf = CompoundFile::open(b);
        if (!cf) {
            EXPECT_FALSE(cf.error().message.isEmpty()) << c.name;
        }
    }

    // The DIFAT: a file with room for 237 FAT sectors claims that many, so that the list must go
    // on past the header's 109 slots through DIFAT sectors that are damaged.
    const Sample big = sampleFile(130000);
    ASSERT_TRUE(openAndReadAll(big.bytes));
    const qint64 bigDir = (qint64(big.dirSector) + 1) * 512;
    const std::vector<Case> difatCases{
        {"DIFAT chain loops",
         [&](QByteArray &b) {
             put32(b, 0x2C, 237);
             put32(b, 0x44, big.dirSector);
             put32(b, bigDir + 508, big.dirSector);
         }},
        {"DIFAT sector out of range",
         [&](QByteArray &b) {
             put32(b, 0x2C, 237);
             put32(b, 0x44, 0xFFFFFFF0);
         }},
        {"DIFAT chain missing", [&](QByteArray &b) { put32(b, 0x2C, 237); }},
    };
    for (const Case &c : difatCases) {
        QByteArray b = big.bytes;
        c.damage(b);
        auto cf = CompoundFile::open(b);
        ASSERT_FALSE(cf) << c.name;
        EXPECT_TRUE(cf.error().message.contains(QStringLiteral("DIFAT")))
            << c.name << ": " << cf.error().message.toStdString();
    }
}

// ---- password to open -------------------------------------------------------------------------

TEST(AgileEncryption, RoundTripsPackagesOfEverySize) {
    struct Case {
        const char *name;
        QByteArray data;
        QString password;
        quint32 spinCount;
    };
    const std::vector<Case> cases{
        {"empty package", QByteArray(), QStringLiteral("pw"), kDefaultSpinCount},
        {"one byte", QByteArray("Z"), QStringLiteral("pw"), kDefaultSpinCount},
        {"one block short of a segment", noise(4080, 21), QStringLiteral("a"), kDefaultSpinCount},
        {"exactly one segment", noise(4096, 22), QStringLiteral("パスワード"), kDefaultSpinCount},
        {"one byte over a segment", noise(4097, 23), QStringLiteral("15 characters!!"),
         kDefaultSpinCount},
        {"many segments, unaligned", noise(3 * 4096 + 77, 24), QStringLiteral("𠮷野家"),
         kDefaultSpinCount},
        {"spin count taken from the file", noise(100, 25), QStringLiteral("pw"), 7},
        {"no spinning at all", noise(100, 26), QStringLiteral("pw"), 0},
    };
    for (const Case &c : cases) {
        auto enc = encryptPackage(c.data, c.password, c.spinCount);
        ASSERT_TRUE(enc) << c.name;
        EXPECT_TRUE(isCompoundFile(*enc)) << c.name;
        EXPECT_TRUE(isEncryptedPackage(*enc)) << c.name;
        auto dec = decryptPackage(*enc, c.password);
        ASSERT_TRUE(dec) << c.name << ": " << dec.error().message.toStdString();
        EXPECT_EQ(*dec, c.data) << c.name;
    }
}

TEST(AgileEncryption, TwoEncryptionsDifferBecauseSaltsAndKeysAreRandom) {
    const QByteArray data = noise(5000, 30);
    auto a = encryptPackage(data, QStringLiteral("pw"));
    auto b = encryptPackage(data, QStringLiteral("pw"));
    ASSERT_TRUE(a && b);
    auto pa = CompoundFile::open(*a)->stream({QStringLiteral("EncryptedPackage")});
    auto pb = CompoundFile::open(*b)->stream({QStringLiteral("EncryptedPackage")});
    ASSERT_TRUE(pa && pb);
    EXPECT_NE(*pa, *pb);
}

TEST(AgileEncryption, ContainerHoldsTheStreamsOtherReadersExpect) {
    auto enc = encryptPackage(QByteArray("PK"), QStringLiteral("pw"));
    ASSERT_TRUE(enc);
    auto cf = CompoundFile::open(*enc);
    ASSERT_TRUE(cf);
    QStringList paths;
    for (const QStringList &p : cf->streamPaths())
        paths << p.join(QLatin1Char('/')).replace(QChar(6), QLatin1String("\\x06"));
    paths.sort();
    EXPECT_EQ(paths, (QStringList{
                         QStringLiteral("EncryptedPackage"),
                         QStringLiteral("EncryptionInfo"),
                         QStringLiteral("\\x06DataSpaces/DataSpaceInfo/StrongEncryptionDataSpace"),
                         QStringLiteral("\\x06DataSpaces/DataSpaceMap"),
                         QStringLiteral("\\x06DataSpaces/TransformInfo/StrongEncryptionTransform/"
                                        "\\x06Primary"),
                         QStringLiteral("\\x06DataSpaces/Version"),
                     }));
    auto info = cf->stream({QStringLiteral("EncryptionInfo")});
    ASSERT_TRUE(info);
    EXPECT_EQ(info->left(8), QByteArray::fromHex("0400040040000000"));
    EXPECT_TRUE(info->contains("spinCount=\"100000\""));
    EXPECT_TRUE(info->contains("keyBits=\"256\""));
    EXPECT_TRUE(info->contains("hashAlgorithm=\"SHA512\""));
    auto primary = cf->stream({kDataSpaces, QStringLiteral("TransformInfo"),
                               QStringLiteral("StrongEncryptionTransform"),
                               QStringLiteral("\x06") + QStringLiteral("Primary")});
    ASSERT_TRUE(primary);
    EXPECT_EQ(qFromLittleEndian<quint32>(primary->constData()), 88u)
        << "transform length covers the header and the 38-character id";
    EXPECT_EQ(primary->right(4), QByteArray::fromHex("04000000"));
}

// Our encrypted workbook opens in msoffcrypto-tool (password and HMAC checked), and the package
// it gets back is byte for byte ours and opens in openpyxl.
TEST(AgileEncryption, MsoffcryptoDecryptsOurFile) {
    QTemporaryDir dir;
    const QByteArray plain = openpyxlWorkbook(dir.path());
    ASSERT_FALSE(plain.isEmpty());
    const QString password = QStringLiteral("開く用pw1");
    auto enc = encryptPackage(plain, password);
    ASSERT_TRUE(enc);
    const QString encPath = dir.path() + QStringLiteral("/enc.xlsx");
    const QString outPath = dir.path() + QStringLiteral("/dec.xlsx");
    ASSERT_TRUE(writeAll(encPath, *enc));
    const auto r = msoffcryptoDecrypt(encPath, password, outPath);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readAll(outPath), plain);
    const auto check = runPython(QStringLiteral("import sys, openpyxl\n"
                                                "ws = openpyxl.load_workbook(sys.argv[1])['売上']\n"
                                                "print(ws['A1'].value, ws['B2'].value)\n"),
                                 {outPath});
    ASSERT_EQ(check.exitCode, 0) << check.err.toStdString();
    EXPECT_EQ(check.out.trimmed(), QStringLiteral("取引先 12345.5"));

    const auto wrong = msoffcryptoDecrypt(encPath, QStringLiteral("other"), outPath);
    EXPECT_NE(wrong.exitCode, 0) << "msoffcrypto-tool must refuse a wrong password too";
}

namespace {

// An encrypted workbook made without our code: agile encryption with SHA-1 and AES-128 (what
// older Office versions write), a password namespace prefix other than ours, in a version 4
// compound file
// (4096-byte sectors) whose chains run backwards and which has no DataSpaces storage. Built in
// Python from hashlib and the cryptography package; msoffcrypto-tool must accept it too, which
// checks the script itself.
const char *kForeignEncryptor = R"PY(
import sys, os, struct, hashlib, hmac, base64
from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
out, password, src, algo = sys.argv[1:5]
plain = open(src, 'rb').read()
H = lambda *parts: hashlib.new(algo, b''.join(parts)).digest()
hashSize = hashlib.new(algo).digest_size
fit = lambda b, n: b[:n] if len(b) >= n else b + b'\x36' * (n - len(b))
pad = lambda b: b + b'\0' * (-len(b) % 16)
def aes(key, iv, data):
    e = Cipher(algorithms.AES(key), modes.CBC(iv)).encryptor()
    return e.update(pad(data)) + e.finalize()
keySalt, pwSalt, secret, verIn, hmacKey = (os.urandom(n) for n in (16, 16, 16, 16, hashSize))
spin = 5000
h = H(pwSalt, password.encode('utf-16-le'))
for i in range(spin):
    h = H(struct.pack('<I', i), h)
kk = lambda blk: fit(H(h, bytes.fromhex(blk)), 16)
encVerIn = aes(kk('fea7d2763b4b9e79'), pwSalt, verIn)
encVerVal = aes(kk('d7aa0f6d3061344e'), pwSalt, H(verIn))
encKey = aes(kk('146e0be7abacd0d6'), pwSalt, secret)
pkg = bytearray(struct.pack('<Q', len(plain)))
for i in range(0, len(plain), 4096):
    pkg += aes(secret, H(keySalt, struct.pack('<I', i // 4096))[:16], plain[i:i + 4096])
pkg = bytes(pkg)
mac = hmac.new(hmacKey, pkg, algo).digest()
encHk = aes(secret, H(keySalt, bytes.fromhex('5fb2ad010cb9e1f6'))[:16], hmacKey)
encHv = aes(secret, H(keySalt, bytes.fromhex('a0677f02b22c8433'))[:16], mac)
b64 = lambda b: base64.b64encode(b).decode()
par = lambda salt: ('saltSize="16" blockSize="16" keyBits="128" hashSize="%d" cipherAlgorithm="AES" '
                    'cipherChaining="ChainingModeCBC" hashAlgorithm="%s" saltValue="%s"'
                    % (hashSize, algo.upper(), b64(salt)))
xml = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
       '<encryption xmlns="http://schemas.microsoft.com/office/2006/encryption" '
       'xmlns:k="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
       '<keyData %s/><dataIntegrity encryptedHmacKey="%s" encryptedHmacValue="%s"/>'
       '<keyEncryptors><keyEncryptor uri="http://schemas.microsoft.com/office/2006/keyEncryptor/password">'
       '<k:encryptedKey spinCount="%d" %s encryptedVerifierHashInput="%s" encryptedVerifierHashValue="%s" '
       'encryptedKeyValue="%s"/></keyEncryptor></keyEncryptors></encryption>'
       % (par(keySalt), b64(encHk), b64(encHv), spin, par(pwSalt), b64(encVerIn), b64(encVerVal), b64(encKey)))
info = struct.pack('<HHI', 4, 4, 0x40) + xml.encode()

SS, END, FREE, FATSECT = 4096, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD
sectors, fat = [], {}
def place(data):
    n = -(-len(data) // SS)
    ids = list(range(len(sectors), len(sectors) + n))[::-1]  # chain runs backwards
    sectors.extend([b''] * n)
    for k, s in enumerate(ids):
        sectors[s] = data[k * SS:(k + 1) * SS].ljust(SS, b'\0')
        fat[s] = ids[k + 1] if k + 1 < n else END
    return ids[0] if ids else END
streams = [('EncryptedPackage', pkg), ('EncryptionInfo', info)]
mini, minifat, starts = b'', [], {}
for name, data in streams:
    if len(data) < 4096:
        n = -(-len(data) // 64)
        first = len(minifat)
        minifat += [first + k + 1 for k in range(n - 1)] + [END]
        starts[name] = first
        mini += data.ljust(n * 64, b'\0')
for name, data in streams:
    if len(data) >= 4096:
        starts[name] = place(data)
miniStart = place(mini) if mini else END
miniFatStart = place(b''.join(struct.pack('<I', v) for v in minifat)) if minifat else END
def entry(name, typ, left, right, child, start, size):
    n = name.encode('utf-16-le')
    return (n.ljust(64, b'\0') + struct.pack('<HBBIII', len(n) + 2, typ, 1, left, right, child)
            + b'\0' * 36 + struct.pack('<IQ', start, size))
NONE = 0xFFFFFFFF
sizes = dict(streams)
d = (entry('Root Entry', 5, NONE, NONE, 1, miniStart, len(mini))
     + entry('EncryptedPackage', 2, 2, NONE, NONE, starts['EncryptedPackage'], len(pkg))
     + entry('EncryptionInfo', 2, NONE, NONE, NONE, starts['EncryptionInfo'], len(info)))
d = d.ljust(SS, b'\0')
for k in range(3, SS // 128):  # unused entries point nowhere
    o = 128 * k
    d = d[:o + 68] + struct.pack('<III', NONE, NONE, NONE) + d[o + 80:]
dirStart = place(d)
fatSector = len(sectors)
sectors.append(b'')
fat[fatSector] = FATSECT
sectors[fatSector] = b''.join(struct.pack('<I', fat.get(i, FREE)) for i in range(SS // 4))
hdr = (bytes.fromhex('d0cf11e0a1b11ae1') + b'\0' * 16
       + struct.pack('<HHHHH', 0x3E, 4, 0xFFFE, 12, 6) + b'\0' * 6
       + struct.pack('<IIIIIIIII', 1, 1, dirStart, 0, 4096, miniFatStart, len(minifat) and 1, END, 0)
       + struct.pack('<I', fatSector) + struct.pack('<I', FREE) * 108)
open(out, 'wb').write(hdr.ljust(SS, b'\0') + b''.join(sectors))
)PY";

} // namespace

TEST(AgileEncryption, DecryptsAFileMadeElsewhere) {
    QTemporaryDir dir;
    struct Case {
        const char *name;
        QByteArray plain;
        const char *hash;
    };
    const QString tinyZip = dir.path() + QStringLiteral("/tiny.zip");
    const auto made = runPython(QStringLiteral("import sys, zipfile\n"
                                               "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                                               "    z.writestr('a.txt', 'small')\n"),
                                {tinyZip});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const std::vector<Case> cases{
        {"workbook, SHA-256, package in regular sectors", openpyxlWorkbook(dir.path()), "sha256"},
        {"tiny zip, SHA-1, package in the mini stream", readAll(tinyZip), "sha1"},
    };
    const QString password = QStringLiteral("よそのpw");
    for (const Case &c : cases) {
        ASSERT_FALSE(c.plain.isEmpty()) << c.name;
        const QString src = dir.path() + QStringLiteral("/src.bin");
        const QString enc = dir.path() + QStringLiteral("/foreign.xlsx");
        const QString check = dir.path() + QStringLiteral("/check.zip");
        ASSERT_TRUE(writeAll(src, c.plain));
        const auto r = runPython(QString::fromUtf8(kForeignEncryptor),
                                 {enc, password, src, QString::fromLatin1(c.hash)});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const auto third = msoffcryptoDecrypt(enc, password, check, QByteArray(c.hash) != "sha1");
        ASSERT_EQ(third.exitCode, 0) << c.name << ": " << third.err.toStdString();
        ASSERT_EQ(readAll(check), c.plain) << c.name << ": the script itself is wrong";

        const QByteArray bytes = readAll(enc);
        auto dec = decryptPackage(bytes, password);
        ASSERT_TRUE(dec) << c.name << ": " << dec.error().message.toStdString();
        EXPECT_EQ(*dec, c.plain) << c.name;
        auto wrong = decryptPackage(bytes, QStringLiteral("よその"));
        ASSERT_FALSE(wrong) << c.name;
        EXPECT_EQ(wrong.error().message, wrongPasswordMessage()) << c.name;
    }
}

TEST(AgileEncryption, WrongPasswordAndForeignFilesGiveClearErrors) {
    auto enc = encryptPackage(QByteArray("PK\x03\x04 data"), QStringLiteral("right"));
    ASSERT_TRUE(enc);
    for (const QString &pw : {QStringLiteral("wrong"), QStringLiteral("Right"), QString()}) {
        auto dec = decryptPackage(*enc, pw);
        ASSERT_FALSE(dec);
        EXPECT_EQ(dec.error().message, QStringLiteral("パスワードが違います。"));
    }
    const QString notEncrypted = QStringLiteral("パスワードで暗号化されたブックではありません。");
    auto zip = decryptPackage(QByteArray("PK\x03\x04 plain zip"), QStringLiteral("x"));
    ASSERT_FALSE(zip);
    EXPECT_EQ(zip.error().message, notEncrypted);
    CompoundFileWriter other; // a compound file without the encryption streams
    other.addStream({QStringLiteral("WordDocument")}, QByteArray(600, 'w'));
    auto dec = decryptPackage(*other.build(), QStringLiteral("x"));
    ASSERT_FALSE(dec);
    EXPECT_EQ(dec.error().message, notEncrypted);
    EXPECT_FALSE(encryptPackage(QByteArray("PK"), QString())) << "an empty password means none";
    EXPECT_FALSE(encryptPackage(QByteArray("PK"), QStringLiteral("x"), 10000001));
}

TEST(AgileEncryption, TamperedPackageIsRefusedByTheIntegrityCheck) {
    const QByteArray data = noise(10000, 40);
    auto enc = encryptPackage(data, QStringLiteral("pw"));
    ASSERT_TRUE(enc);
    auto cf = CompoundFile::open(*enc);
    auto stream = cf->stream({QStringLiteral("EncryptedPackage")});
    ASSERT_TRUE(stream);
    // Flip one ciphertext byte in the middle of the stream, wherever it sits in the file.
    const QByteArray marker = stream->mid(5000, 32);
    QByteArray bad = *enc;
    const int at = bad.indexOf(marker);
    ASSERT_GE(at, 0);
    bad[at] = char(bad[at] ^ 0x01);
    auto dec = decryptPackage(bad, QStringLiteral("pw"));
    ASSERT_FALSE(dec);
    EXPECT_TRUE(dec.error().message.contains(QStringLiteral("改ざん検査")))
        << dec.error().message.toStdString();
}

// A package large enough that the FAT needs more than the header's 109 slots: DIFAT sectors.
// Checked by our reader and by msoffcrypto-tool; timed to keep segment encryption honest.
TEST(AgileEncryption, BigPackageUsesDifatSectorsAndDecryptsEverywhere) {
    // A stored (uncompressed) zip of random bytes: msoffcrypto-tool insists on a zip result.
    QTemporaryDir dir;
    const QString zipPath = dir.path() + QStringLiteral("/big.zip");
    const auto made = runPython(
        QStringLiteral("import sys, random, zipfile\n"
                       "data = random.Random(50).randbytes(9 * 1024 * 1024 + 123)\n"
                       "with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:\n"
                       "    z.writestr('xl/blob.bin', data)\n"),
        {zipPath});
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QByteArray data = readAll(zipPath);
    ASSERT_GT(data.size(), 9 * 1024 * 1024);
    QElapsedTimer timer;
    timer.start();
    auto enc = encryptPackage(data, QStringLiteral("big"));
    const qint64 encryptMs = timer.restart();
    ASSERT_TRUE(enc);
    EXPECT_GT(qFromLittleEndian<quint32>(enc->constData() + 0x48), 0u) << "DIFAT sectors";
    EXPECT_GT(qFromLittleEndian<quint32>(enc->constData() + 0x2C), 109u) << "FAT sectors";
    auto dec = decryptPackage(*enc, QStringLiteral("big"));
    const qint64 decryptMs = timer.elapsed();
    ASSERT_TRUE(dec) << dec.error().message.toStdString();
    EXPECT_TRUE(*dec == data);
    std::printf("9 MB package: encrypt %lld ms, decrypt %lld ms\n", (long long)encryptMs,
                (long long)decryptMs);
    EXPECT_LT(encryptMs, 5000);
    EXPECT_LT(decryptMs, 5000);

    const QString encPath = dir.path() + QStringLiteral("/big.xlsx");
    const QString outPath = dir.path() + QStringLiteral("/big-out.zip");
    ASSERT_TRUE(writeAll(encPath, *enc));
    const auto r = msoffcryptoDecrypt(encPath, QStringLiteral("big"), outPath);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(readAll(outPath) == data);
}

// ---- bounded random damage --------------------------------------------------------------------

namespace {

// Mutates a copy: a few bytes overwritten, 32-bit fields set to edge values, or a cut.
QByteArray mutate(const QByteArray &in, std::mt19937 &gen) {
    QByteArray b = in;
    const int kind = int(gen() % 4);
    const int edits = 1 + int(gen() % 4);
    static const quint32 edges[] = {0,          1,          0x7F,       0xFF,
                                    0x1000,     0x7FFFFFFF, 0xFFFFFFFA, 0xFFFFFFFC,
                                    0xFFFFFFFD, 0xFFFFFFFE, 0xFFFFFFFF};
    for (int e = 0; e < edits; ++e) {
        const int at = int(gen() % quint32(b.size()));
        if (kind == 0) {
            b[at] = char(gen() & 0xFF);
        } else if (kind == 1 && at + 4 <= b.size()) {
            put32(b, at & ~3, edges[gen() % (sizeof(edges) / sizeof(edges[0]))]);
        } else if (kind == 2) {
            // Aim at the header and the structures right after it, where damage bites most.
            const int near = int(gen() % quint32(std::min<int>(b.size() - 4, 2048)));
            put32(b, near & ~3, edges[gen() % (sizeof(edges) / sizeof(edges[0]))]);
        } else {
            b.truncate(int(gen() % quint32(b.size())));
            break;
        }
    }
    return b;
}

} // namespace

TEST(RandomDamage, CompoundReaderNeverCrashesOrHangs) {
    // Two shapes: the small sample and an encrypted workbook with its nested storages.
    const std::vector<QByteArray> bases{sampleFile().bytes,
                                        *encryptPackage(noise(7000, 70), QStringLiteral("pw"), 1)};
    std::mt19937 gen(20240601u);
    for (const QByteArray &base : bases) {
        int refused = 0;
        for (int i = 0; i < 3000; ++i) {
            const QByteArray b = mutate(base, gen);
            if (!openAndReadAll(b))
                ++refused;
        }
        // Much damage is caught; bytes inside stream data are legitimately not detectable here.
        EXPECT_GT(refused, 600);
    }
}

// The decryptor on damaged encrypted workbooks: every input ends in a value, and whatever
// decrypts while the descriptor still carries its integrity element must be the original
// package (the HMAC guards against silent damage; other producers may leave the element out,
// and then damage to the package cannot be told). A spin count of 1 keeps thousands of cases
// quick; the parsing and checking paths are the same.
TEST(RandomDamage, DecryptorEndsInAnErrorOrTheOriginal) {
    const QByteArray data = noise(6000, 60);
    auto enc = encryptPackage(data, QStringLiteral("pw"), 1);
    ASSERT_TRUE(enc);
    std::mt19937 gen(777u);
    int errors = 0;
    for (int i = 0; i < 3000; ++i) {
        const QByteArray b = mutate(*enc, gen);
        auto dec = decryptPackage(b, QStringLiteral("pw"));
        if (!dec) {
            EXPECT_FALSE(dec.error().message.isEmpty());
            ++errors;
        } else if (b.contains("<dataIntegrity encryptedHmacKey=")) {
            EXPECT_TRUE(*dec == data) << "case " << i << " decrypted to something else";
        }
    }
    EXPECT_GT(errors, 0);
}

// ---- password to modify -----------------------------------------------------------------------

// The reservation hash against hashlib: H0 = SHA-512(salt + UTF-16LE), then H = SHA-512(H + LE32
// i).
TEST(ModifyPassword, HashMatchesAnIndependentComputation) {
    struct Case {
        QString password;
        QByteArray salt;
        quint32 spin;
        const char *algorithm;
        const char *pyAlgorithm;
    };
    const std::vector<Case> cases{
        {QStringLiteral("modify"), QByteArray::fromHex("000102030405060708090a0b0c0d0e0f"), 100000,
         "SHA-512", "sha512"},
        {QStringLiteral("変更用"), QByteArray::fromHex("ffeeddccbbaa99887766554433221100"), 100000,
         "SHA-512", "sha512"},
        {QStringLiteral("x"), QByteArray::fromHex("01"), 3, "SHA-256", "sha256"},
        {QStringLiteral("no spin"), QByteArray::fromHex("0203"), 0, "SHA-1", "sha1"},
    };
    for (const Case &c : cases) {
        auto ours =
            modifyPasswordHashValue(c.password, QString::fromLatin1(c.algorithm), c.salt, c.spin);
        ASSERT_TRUE(ours);
        const auto py = runPython(
            QStringLiteral("import sys, hashlib, struct, base64\n"
                           "h = hashlib.new(sys.argv[4], bytes.fromhex(sys.argv[2]) + "
                           "sys.argv[1].encode('utf-16-le')).digest()\n"
                           "for i in range(int(sys.argv[3])):\n"
                           "    h = hashlib.new(sys.argv[4], h + struct.pack('<I', i)).digest()\n"
                           "print(base64.b64encode(h).decode())\n"),
            {c.password, QString::fromLatin1(c.salt.toHex()), QString::number(c.spin),
             QString::fromLatin1(c.pyAlgorithm)});
        ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
        EXPECT_EQ(*ours, py.out.trimmed()) << c.password.toStdString();
    }
}

TEST(ModifyPassword, MadeHashVerifiesOnlyTheRightPassword) {
    auto made = makeModifyPasswordHash(QStringLiteral("henkou"), QStringLiteral("担当者"));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->algorithmName, QStringLiteral("SHA-512"));
    EXPECT_EQ(made->spinCount, 100000u);
    EXPECT_EQ(made->userName, QStringLiteral("担当者"));
    EXPECT_EQ(QByteArray::fromBase64(made->saltValue.toLatin1()).size(), 16);
    EXPECT_EQ(QByteArray::fromBase64(made->hashValue.toLatin1()).size(), 64);
    EXPECT_TRUE(verifyModifyPassword(*made, QStringLiteral("henkou")));

    struct Case {
        const char *name;
        FileSharingHash hash;
        QString password;
    };
    FileSharingHash otherAlgo = *made;
    otherAlgo.algorithmName = QStringLiteral("SHA-256");
    FileSharingHash unknownAlgo = *made;
    unknownAlgo.algorithmName = QStringLiteral("ROT13");
    FileSharingHash badSalt = *made;
    badSalt.saltValue = QStringLiteral("***");
    FileSharingHash hugeSpin = *made;
    hugeSpin.spinCount = 10000001;
    const std::vector<Case> refused{
        {"wrong password", *made, QStringLiteral("Henkou")},
        {"empty password", *made, QString()},
        {"algorithm changed", otherAlgo, QStringLiteral("henkou")},
        {"unknown algorithm", unknownAlgo, QStringLiteral("henkou")},
        {"salt not base64", badSalt, QStringLiteral("henkou")},
        {"spin count over the limit", hugeSpin, QStringLiteral("henkou")},
    };
    for (const Case &c : refused)
        EXPECT_FALSE(verifyModifyPassword(c.hash, c.password)) << c.name;
}
