#include "report/credentials.h"

#include "core/clock.h"
#include "core/stepcode.h"
#include "report/codetables.h"

#include <QRandomGenerator>

#include <array>

namespace kelvoran {
namespace {

// How a family picks the table group of each position.
enum class GroupMode { Unknown, Fixed, Varying };

GroupMode groupMode(int familyNumber) {
    switch (familyNumber) {
    case 1000:
    case 1100:
    case 1200:
    case 2000:
        return GroupMode::Fixed;
    case 2100:
    case 2200:
        return GroupMode::Varying;
    default:
        return GroupMode::Unknown;
    }
}

// The table group of each position in turn. Fixed families use the fourth digit of the sum
// everywhere; the others walk the digits of the sum with two counters, i over the four digits
// and j over 1..11, 0, adding j to some digits.
class GroupSequence {
public:
    GroupSequence(GroupMode mode, int sum) : m_mode(mode), m_digits(QString::number(sum)) {}

    int next() {
        if (m_mode == GroupMode::Fixed)
            return digit(4);
        if (m_i == 4) {
            m_i = 1;
            m_j = m_j < 11 ? m_j + 1 : 0;
        } else {
            ++m_i;
        }
        int v = digit(m_i);
        const bool add =
            (m_j == 1 && (m_i == 1 || m_i == 4)) || (m_j == 2 && (m_i == 2 || m_i == 3)) ||
            (m_j == 3 && (m_i == 1 || m_i == 3)) || (m_j == 4 && (m_i == 2 || m_i == 4));
        if (add)
            v += m_j;
        return v < 10 ? v : 0;
    }

private:
    int digit(int position) const { return m_digits.at(position - 1).digitValue(); }

    GroupMode m_mode;
    QString m_digits;
    int m_i = 0;
    int m_j = 1;
};

bool sumInRange(int sum) {
    return sum >= 1000 && sum <= 9999;
}

int twoDigits(const QString &text, int index) {
    const QChar a = text.at(index);
    const QChar b = text.at(index + 1);
    if (!a.isDigit() || !b.isDigit() || a.unicode() > '9' || b.unicode() > '9')
        return -1;
    return (a.unicode() - '0') * 10 + (b.unicode() - '0');
}

QString twoDigitText(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

bool isAsciiDigit(QChar c) {
    return c.unicode() >= '0' && c.unicode() <= '9';
}

const QString &passwordName(int index) {
    static const std::array<QString, 4> names = {
        QStringLiteral("DBPassWord"), QStringLiteral("雛形読み込みPassWord"),
        QStringLiteral("Excel読み込みPassWord"), QStringLiteral("Excel書き込みPassWord")};
    return names.at(static_cast<size_t>(index));
}

// Number of seed tag characters for a stamp, 0 when the stamp has no usable last digit.
int seedTagLength(const QString &stamp) {
    if (stamp.isEmpty() || !isAsciiDigit(stamp.back()))
        return 0;
    const int b = stamp.back().digitValue() / 2;
    return b == 0 ? 5 : b;
}

bool tagAfter(const QString &stamp) {
    return stamp.back().digitValue() % 2 == 1;
}

// Layout of one packed copy: its key, base stamp offset, storage order (password indexes DB 0,
// T 1, R 2, W 3) and suffix offsets k by password index.
struct CopyLayout {
    const char *key;
    int baseSeconds;
    std::array<int, 4> order;
    std::array<int, 4> offset;
};

const std::array<CopyLayout, 4> &copyLayouts() {
    static const std::array<CopyLayout, 4> layouts = {{
        {"PASSWORD", 0, {3, 0, 1, 2}, {22, 33, 44, 11}},
        {"KWORD", 15, {0, 1, 2, 3}, {11, 22, 33, 44}},
        {"QWORD", 25, {1, 2, 3, 0}, {44, 11, 22, 33}},
        {"TWORD", 30, {2, 3, 0, 1}, {33, 44, 11, 22}},
    }};
    return layouts;
}

QString &copyField(PackedCopies &copies, int index) {
    switch (index) {
    case 0:
        return copies.password;
    case 1:
        return copies.kword;
    case 2:
        return copies.qword;
    default:
        return copies.tword;
    }
}

const QString &copyField(const PackedCopies &copies, int index) {
    return copyField(const_cast<PackedCopies &>(copies), index);
}

QString &passwordField(Passwords &p, int index) {
    switch (index) {
    case 0:
        return p.db;
    case 1:
        return p.templateRead;
    case 2:
        return p.outputRead;
    default:
        return p.outputWrite;
    }
}

const QString &passwordField(const Passwords &p, int index) {
    return passwordField(const_cast<Passwords &>(p), index);
}

// The marker that stands for an empty password: "@0?" S, "@1?" S+5, "@2?" S+6, "@3?" S+7.
QString emptyMarker(int index, int sum) {
    static const std::array<int, 4> extra = {0, 5, 6, 7};
    return QStringLiteral("@%1?%2").arg(index).arg(sum + extra.at(static_cast<size_t>(index)));
}

const QString kFamily21 = QStringLiteral("2.1.0.0");
const QString kWrittenVersion = QStringLiteral("2.2.0.0");

void setStep(StepCode &step, int number) {
    step.setText(QString(step.prefix()) + QStringLiteral("DD_") + QString::number(number));
}

Error brokenCopy(const StepCode &step) {
    return Error{QStringLiteral(
                     "パスワード情報を読み出せません。設定ファイルが壊れている可能性があります。"),
                 step.text()};
}

} // namespace

QString ConversionErrorText() {
    return QStringLiteral("データ変換エラー").repeated(9);
}

QString TamperText(int passwordIndex) {
    if (passwordIndex < 0 || passwordIndex > 3)
        return QString();
    return passwordName(passwordIndex) + QStringLiteral("改竄エラー");
}

QString FormatFamily(const QString &version) {
    if (version == QLatin1String("1.0.0.0") || version == QLatin1String("1.1.0.0") ||
        version == QLatin1String("1.2.0.0"))
        return QStringLiteral("1.0.0.0");
    if (version == QLatin1String("2.0.0.0"))
        return QStringLiteral("2.0.0.0");
    if (version == QLatin1String("2.1.0.0") || version == QLatin1String("2.2.0.0"))
        return kFamily21;
    return QString();
}

int FamilyNumber(const QString &family) {
    if (family.size() < 7)
        return -1;
    int n = 0;
    for (int pos : {0, 2, 4, 6}) {
        if (!isAsciiDigit(family.at(pos)))
            return -1;
        n = n * 10 + family.at(pos).digitValue();
    }
    return n;
}

bool IsStampText(const QString &stamp) {
    static const QString shape = QStringLiteral("DDDD/DD/DD DD:DD:DD");
    if (stamp.size() != shape.size())
        return false;
    for (qsizetype i = 0; i < shape.size(); ++i) {
        if (shape.at(i) == u'D' ? !isAsciiDigit(stamp.at(i)) : stamp.at(i) != shape.at(i))
            return false;
    }
    return true;
}

int StampSum(const QString &stamp) {
    // Seeds may carry seconds above 99 (three digits); the sum reads the fixed positions only.
    if (stamp.size() < 19 || !IsStampText(stamp.left(19)))
        return -1;
    return stamp.mid(0, 4).toInt() + stamp.mid(5, 2).toInt() + stamp.mid(8, 2).toInt() +
           stamp.mid(11, 2).toInt() + stamp.mid(14, 2).toInt() + stamp.mid(17, 2).toInt();
}

QString StampPlusSeconds(const QString &stamp, int seconds) {
    if (stamp.size() < 19)
        return stamp;
    const int second = stamp.mid(17, 2).toInt();
    return stamp.left(17) + twoDigitText(second + seconds) + stamp.mid(19);
}

QString NewMakeDate(const Clock &clock) {
    QString stamp = clock.now().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    const int digit = static_cast<int>(QRandomGenerator::global()->bounded(9));
    stamp[stamp.size() - 1] = QChar(u'0' + digit);
    return stamp;
}

Result<QString> ScrambleText(const QString &family, const QString &text, const QString &stamp) {
    const GroupMode mode = groupMode(FamilyNumber(family));
    if (mode == GroupMode::Unknown)
        return QString();
    const int sum = StampSum(stamp);
    if (!sumInRange(sum))
        return Error{QStringLiteral("時刻印が正しくありません。：") + stamp, QString()};

    QString digits;
    digits.reserve(text.size() * 4);
    GroupSequence groups(mode, sum);
    for (QChar c : text) {
        const int code = codetables::e1(groups.next(), c);
        if (code < 0)
            return Error{QStringLiteral("変換できない文字が含まれています。：") + c, QString()};
        digits += QStringLiteral("%1").arg(sum - code, 4, 10, QLatin1Char('0'));
    }
    // Each group of four digits d1 d2 d3 d4 is stored as d4 d1 d3 d2.
    for (qsizetype i = 0; i + 3 < digits.size(); i += 4) {
        const QChar d1 = digits.at(i), d2 = digits.at(i + 1), d3 = digits.at(i + 2),
                    d4 = digits.at(i + 3);
        digits[i] = d4;
        digits[i + 1] = d1;
        digits[i + 2] = d3;
        digits[i + 3] = d2;
    }
    QString out;
    out.reserve(text.size() * 2);
    GroupSequence pairGroups(mode, sum);
    for (qsizetype i = 0; i + 1 < digits.size(); i += 2)
        out += codetables::d1(pairGroups.next(), twoDigits(digits, static_cast<int>(i)));

    const Result<QString> back = UnscrambleText(family, out, sum);
    if (!back.isOk() || back.value() != text)
        return ConversionErrorText();
    return out;
}

Result<QString> UnscrambleText(const QString &family, const QString &scrambled, int sum) {
    const GroupMode mode = groupMode(FamilyNumber(family));
    if (mode == GroupMode::Unknown)
        return QString();
    const Error broken{QStringLiteral("暗号化された文字列が正しくありません。"), QString()};
    if (!sumInRange(sum) || scrambled.size() % 2 != 0)
        return broken;

    QString digits;
    digits.reserve(scrambled.size() * 2);
    GroupSequence groups(mode, sum);
    for (QChar c : scrambled) {
        const int code = codetables::e2(groups.next(), c);
        if (code < 0)
            return broken;
        digits += twoDigitText(code);
    }
    QString out;
    out.reserve(scrambled.size() / 2);
    GroupSequence charGroups(mode, sum);
    for (qsizetype i = 0; i + 3 < digits.size(); i += 4) {
        // Stored as d4 d1 d3 d2.
        const int number = digits.at(i + 1).digitValue() * 1000 +
                           digits.at(i + 3).digitValue() * 100 +
                           digits.at(i + 2).digitValue() * 10 + digits.at(i).digitValue();
        const int group = charGroups.next();
        const int diff = sum - number;
        // A code the table does not hold comes back unchanged, as its digits.
        const QChar c = diff >= 0 && diff <= 99 ? codetables::d2(group, diff) : QChar();
        if (c.isNull())
            out += diff >= 0 && diff <= 99 ? twoDigitText(diff) : QString::number(diff);
        else
            out += c;
    }
    return out;
}

QString SeedTag(const QString &family, const QString &stamp) {
    if (groupMode(FamilyNumber(family)) == GroupMode::Unknown || stamp.size() < 19 ||
        !isAsciiDigit(stamp.at(17)) || !isAsciiDigit(stamp.at(18)))
        return QString();
    const int b = seedTagLength(stamp);
    if (b == 0)
        return QString();
    const int sec = stamp.mid(17, 2).toInt();
    const int group = family.back().digitValue();
    QString tag;
    for (int k = 1; k <= b; ++k) {
        const QString n = QString::number(sec * k);
        const QString piece = n.size() == 1 ? QStringLiteral("0") + n : n.left(2);
        tag += codetables::d1(group, piece.toInt());
    }
    return tag;
}

QString AttachSeedTag(const QString &family, const QString &scrambled, const QString &stamp) {
    const QString tag = SeedTag(family, stamp);
    if (tag.isEmpty())
        return scrambled;
    return tagAfter(stamp) ? scrambled + tag : tag + scrambled;
}

QString StripSeedTag(const QString &value, const QString &stamp) {
    const int b = seedTagLength(stamp);
    if (b == 0)
        return value;
    if (value.size() < b)
        return QString();
    return tagAfter(stamp) ? value.left(value.size() - b) : value.mid(b);
}

Result<PackedPasswords> PackPasswordsAt(const Passwords &passwords, const QString &makeDate) {
    for (int p = 0; p < 4; ++p) {
        const QString &pw = passwordField(passwords, p);
        if (pw.size() > kMaxPasswordLength)
            return Error{QStringLiteral("%1は%2文字以内で設定してください。")
                             .arg(passwordName(p))
                             .arg(kMaxPasswordLength),
                         QString()};
        for (QChar c : pw) {
            if (codetables::e1(0, c) < 0)
                return Error{QStringLiteral("%1に使用できない文字が含まれています。"
                                            "半角の英数字と記号だけが使えます。")
                                 .arg(passwordName(p)),
                             QString()};
        }
    }
    if (!IsStampText(makeDate))
        return Error{QStringLiteral("時刻印が正しくありません。：") + makeDate, QString()};
    const int sum = StampSum(makeDate);
    if (!sumInRange(sum) || !sumInRange(sum + 99))
        return Error{QStringLiteral("時刻印が正しくありません。：") + makeDate, QString()};

    std::array<QString, 4> plain;
    for (int p = 0; p < 4; ++p) {
        const QString &pw = passwordField(passwords, p);
        plain.at(static_cast<size_t>(p)) = pw.isEmpty() ? emptyMarker(p, sum) : pw;
    }

    PackedPasswords packed;
    packed.makeDate = makeDate;
    packed.version = kWrittenVersion;
    const QString conversionError = ConversionErrorText();
    for (size_t c = 0; c < copyLayouts().size(); ++c) {
        const CopyLayout &layout = copyLayouts().at(c);
        const QString base = StampPlusSeconds(makeDate, layout.baseSeconds);
        QString header;
        QString body;
        for (int p : layout.order) {
            const size_t pi = static_cast<size_t>(p);
            const QString seed = StampPlusSeconds(makeDate, layout.baseSeconds + p);
            const QString value =
                plain.at(pi) + QStringLiteral("@*") + QString::number(sum + layout.offset.at(pi));
            const Result<QString> scrambled = ScrambleText(kFamily21, value, seed);
            if (!scrambled.isOk())
                return scrambled.error();
            if (scrambled.value() == conversionError)
                return Error{conversionError, QString()};
            const QString stored = scrambled.value().isEmpty()
                                       ? scrambled.value()
                                       : AttachSeedTag(kFamily21, scrambled.value(), seed);
            if (stored.size() > 99)
                return Error{QStringLiteral("%1が長すぎます。").arg(passwordName(p)), QString()};
            header += twoDigitText(static_cast<int>(stored.size()));
            body += stored;
        }
        const Result<QString> scrambledHeader = ScrambleText(kFamily21, header, base);
        if (!scrambledHeader.isOk())
            return scrambledHeader.error();
        if (scrambledHeader.value() == conversionError)
            return Error{conversionError, QString()};
        copyField(packed.copies, static_cast<int>(c)) = scrambledHeader.value() + body;
    }
    return packed;
}

Result<PackedPasswords> PackPasswords(const Passwords &passwords, const Clock &clock) {
    // A conversion error asks for a new time stamp; with exact inverse tables it never comes,
    // so a few attempts are plenty and the loop cannot run away.
    Result<PackedPasswords> packed = PackPasswordsAt(passwords, NewMakeDate(clock));
    for (int attempt = 1;
         attempt < 10 && !packed.isOk() && packed.error().message == ConversionErrorText();
         ++attempt)
        packed = PackPasswordsAt(passwords, NewMakeDate(clock));
    return packed;
}

Result<Passwords> UnpackPasswords(const QString &familyOrVersion, const QString &makeDateText,
                                  const PackedCopies &copies, StepCode &step) {
    // A VERSION value ("2.2.0.0") is taken for its family as well.
    const QString mapped = FormatFamily(familyOrVersion);
    const QString family = mapped.isEmpty() ? familyOrVersion : mapped;
    const QString makeDate = makeDateText.trimmed();
    const int number = FamilyNumber(family);
    if (number == 1000 || number == 2000) {
        setStep(step, 300001);
        const QString stripped = StripSeedTag(copies.password, makeDate);
        setStep(step, 300002);
        const Result<QString> db = UnscrambleText(family, stripped, StampSum(makeDate));
        if (!db.isOk())
            return brokenCopy(step);
        Passwords result;
        result.db = db.value();
        return result;
    }

    setStep(step, 300003);
    if (number != 2100 || !IsStampText(makeDate))
        return brokenCopy(step);
    const int sum = StampSum(makeDate);

    // unpacked[copy][password index]
    std::array<std::array<QString, 4>, 4> unpacked;
    for (size_t c = 0; c < copyLayouts().size(); ++c) {
        const CopyLayout &layout = copyLayouts().at(c);
        const QString &copy = copyField(copies, static_cast<int>(c));
        const int codeBase = 300010 + 40 * static_cast<int>(c);

        setStep(step, codeBase);
        const QString base = StampPlusSeconds(makeDate, layout.baseSeconds);
        const Result<QString> header = UnscrambleText(family, copy.left(16), StampSum(base));
        if (!header.isOk())
            return brokenCopy(step);

        setStep(step, codeBase + 1);
        const QString &h = header.value();
        if (h.size() != 8)
            return brokenCopy(step);
        std::array<int, 4> lengths{};
        int total = 0;
        for (int k = 0; k < 4; ++k) {
            lengths.at(static_cast<size_t>(k)) = twoDigits(h, 2 * k);
            if (lengths.at(static_cast<size_t>(k)) < 0)
                return brokenCopy(step);
            total += lengths.at(static_cast<size_t>(k));
        }

        // The lengths must account for the copy exactly: anything else means the header or a
        // value was altered.
        setStep(step, codeBase + 2);
        if (copy.size() != 16 + total)
            return brokenCopy(step);

        qsizetype pos = 16;
        for (int k = 0; k < 4; ++k) {
            const int p = layout.order.at(static_cast<size_t>(k));
            const QString value = copy.mid(pos, lengths.at(static_cast<size_t>(k)));
            pos += lengths.at(static_cast<size_t>(k));
            const QString seed = StampPlusSeconds(makeDate, layout.baseSeconds + p);
            const int valueCode = codeBase + 10 + 5 * k;

            setStep(step, valueCode);
            const QString stripped = StripSeedTag(value, seed);
            setStep(step, valueCode + 1);
            const Result<QString> plain = UnscrambleText(family, stripped, StampSum(seed));
            if (!plain.isOk())
                return brokenCopy(step);
            setStep(step, valueCode + 2);
            if (plain.value().size() < 6)
                return brokenCopy(step);
            unpacked.at(c).at(static_cast<size_t>(p)) = plain.value().chopped(6);
        }
    }

    setStep(step, 300170);
    for (size_t p = 0; p < 4; ++p) {
        const QString &first = unpacked.at(0).at(p);
        for (size_t c = 1; c < 4; ++c) {
            if (unpacked.at(c).at(p) != first) {
                setStep(step, 300176 + static_cast<int>(p));
                return Error{TamperText(static_cast<int>(p)), step.text()};
            }
        }
    }

    setStep(step, 300180);
    Passwords result;
    for (int p = 0; p < 4; ++p) {
        const QString &value = unpacked.at(0).at(static_cast<size_t>(p));
        passwordField(result, p) = value == emptyMarker(p, sum) ? QString() : value;
    }
    setStep(step, 300181);
    return result;
}

namespace {

const QString kBeginMarker =
    QStringLiteral("/* ここから下はフォーマット設定です。変更しないでください。*/");
const QString kEndMarker =
    QStringLiteral("/* ここから上はフォーマット設定です。変更しないでください。*/");

int lastLineContaining(const QStringList &lines, const QString &text) {
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines.at(i).contains(text))
            return static_cast<int>(i);
    }
    return -1;
}

// The key of a format block line as the settings reader sees it, or empty for a line that is
// not a " /* KEY= value" line.
QString keyOfLine(const QString &line) {
    const QString work = QLatin1Char(' ') + line.trimmed() + QLatin1Char(' ');
    if (!work.startsWith(QLatin1String(" /*")))
        return QString();
    const qsizetype eq = work.indexOf(u'=');
    if (eq < 4)
        return QString();
    return work.mid(4, eq - 4).trimmed();
}

QString valueOfLine(const QString &line) {
    const QString t = line.trimmed();
    return t.mid(t.indexOf(u'=') + 1).trimmed();
}

QString keyLine(const QString &key, const QString &value) {
    return QStringLiteral(" /* ") + key + QStringLiteral("= ") + value + QLatin1Char(' ');
}

// Index of the last key line with one of the keys between begin and end (exclusive), or -1.
int lastKeyLine(const QStringList &lines, int begin, int end,
                std::initializer_list<const char *> keys) {
    for (int i = end - 1; i > begin; --i) {
        const QString key = keyOfLine(lines.at(i));
        for (const char *k : keys) {
            if (key == QLatin1String(k))
                return i;
        }
    }
    return -1;
}

} // namespace

Result<QStringList> ChangeExcelPasswordsAt(const QStringList &lines, const QString &templateRead,
                                           const QString &outputRead, const QString &outputWrite,
                                           const QString &makeDate, StepCode &step) {
    const int begin = lastLineContaining(lines, kBeginMarker);
    const int end = lastLineContaining(lines, kEndMarker);
    if (begin < 0 || end <= begin)
        return Error{QStringLiteral("設定ファイルにフォーマット設定がありません。"), QString()};

    QString storedMakeDate, storedVersion;
    PackedCopies stored;
    bool anyCopy = false;
    for (int i = begin + 1; i < end; ++i) {
        const QString key = keyOfLine(lines.at(i));
        if (key == QLatin1String("MAKEDATE"))
            storedMakeDate = valueOfLine(lines.at(i));
        else if (key == QLatin1String("VERSION"))
            storedVersion = valueOfLine(lines.at(i));
        for (int c = 0; c < 4; ++c) {
            if (key == QLatin1String(copyLayouts().at(static_cast<size_t>(c)).key)) {
                copyField(stored, c) = valueOfLine(lines.at(i));
                anyCopy = anyCopy || !copyField(stored, c).isEmpty();
            }
        }
    }

    // The database password is kept; a file that stores no copy at all has none to keep.
    QString db;
    if (anyCopy) {
        const QString family = FormatFamily(storedVersion);
        if (family.isEmpty())
            return Error{QStringLiteral("設定ファイルのVERSIONが正しくありません。：") +
                             storedVersion,
                         QString()};
        const Result<Passwords> old = UnpackPasswords(family, storedMakeDate, stored, step);
        if (!old.isOk())
            return old.error();
        db = old.value().db;
    }

    Passwords passwords{db, templateRead, outputRead, outputWrite};
    const Result<PackedPasswords> packed = PackPasswordsAt(passwords, makeDate);
    if (!packed.isOk())
        return packed.error();

    QStringList out = lines;
    int endIndex = end;
    auto valueFor = [&](const QString &key) -> QString {
        if (key == QLatin1String("MAKEDATE"))
            return packed.value().makeDate;
        if (key == QLatin1String("VERSION"))
            return packed.value().version;
        for (int c = 0; c < 4; ++c) {
            if (key == QLatin1String(copyLayouts().at(static_cast<size_t>(c)).key))
                return copyField(packed.value().copies, c);
        }
        return QString();
    };
    static const std::array<const char *, 6> kKeys = {"PASSWORD", "KWORD",    "QWORD",
                                                      "TWORD",    "MAKEDATE", "VERSION"};
    std::array<bool, 6> present{};
    for (int i = begin + 1; i < endIndex; ++i) {
        const QString key = keyOfLine(out.at(i));
        for (size_t k = 0; k < kKeys.size(); ++k) {
            if (key == QLatin1String(kKeys.at(k))) {
                out[i] = keyLine(key, valueFor(key));
                present.at(k) = true;
            }
        }
    }
    auto insertAt = [&](int index, const char *key) {
        index = std::max(begin + 1, std::min(index, endIndex));
        out.insert(index, keyLine(QLatin1String(key), valueFor(QLatin1String(key))));
        ++endIndex;
    };

    if (!present.at(0)) {
        int anchor = lastKeyLine(out, begin, endIndex, {"USER_NAME"});
        if (anchor < 0)
            anchor = lastKeyLine(out, begin, endIndex, {"DBNAME"});
        insertAt(anchor < 0 ? begin + 1 : anchor + 1, "PASSWORD");
    }
    const int copyAnchor = lastKeyLine(out, begin, endIndex, {"PASSWORD", "CSVCOLNAME"});
    for (int k = 1; k <= 3; ++k) {
        if (!present.at(static_cast<size_t>(k)))
            insertAt(copyAnchor + k, kKeys.at(static_cast<size_t>(k)));
    }
    if (!present.at(4)) {
        // MAKEDATE must come before VERSION, which the reader takes as the end of the keys.
        const int version = lastKeyLine(out, begin, endIndex, {"VERSION"});
        insertAt(version < 0 ? endIndex : version, "MAKEDATE");
    }
    if (!present.at(5))
        insertAt(endIndex, "VERSION");
    return out;
}

Result<QStringList> ChangeExcelPasswords(const QStringList &lines, const QString &templateRead,
                                         const QString &outputRead, const QString &outputWrite,
                                         const Clock &clock, StepCode &step) {
    return ChangeExcelPasswordsAt(lines, templateRead, outputRead, outputWrite, NewMakeDate(clock),
                                  step);
}

} // namespace kelvoran
