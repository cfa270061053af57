#include "core/clock.h"
#include "core/stepcode.h"
#include "core/textfile.h"
#include "report/codetables.h"
#include "report/credentials.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace kelvoran;

namespace {

const QString kFamily = QStringLiteral("2.1.0.0");

std::string s(const QString &q) {
    return q.toStdString();
}

// All 95 printable ASCII characters, the whole alphabet a password may use.
QString allPasswordCharacters() {
    QString text;
    for (int c = 0x20; c <= 0x7e; ++c)
        text += QChar(c);
    return text;
}

// Stamps chosen so that the digits of their sums, and the fourth digit in particular, run
// through 0-9, and the last digits run through 0-9 (seed tags before and after, 1-5 long).
QStringList sampleStamps() {
    QStringList stamps;
    for (int i = 0; i < 10; ++i) {
        const int month = 1 + i, day = 3 + 2 * i, hour = 7 + i, minute = 5 * i;
        const int partial = 2026 + month + day + hour + minute;
        const int second = ((i - partial % 10) + 10) % 10 + 10 * (i % 5);
        stamps << QStringLiteral("2026/%1/%2 %3:%4:%5")
                      .arg(month, 2, 10, QLatin1Char('0'))
                      .arg(day, 2, 10, QLatin1Char('0'))
                      .arg(hour, 2, 10, QLatin1Char('0'))
                      .arg(minute, 2, 10, QLatin1Char('0'))
                      .arg(second, 2, 10, QLatin1Char('0'));
    }
    stamps << QStringLiteral("1999/12/31 23:59:58") << QStringLiteral("2100/01/01 00:00:00");
    return stamps;
}

bool matchesRegex(const QString &text, const char *pattern) {
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern)))
        .match(text)
        .hasMatch();
}

// Unpacks with a fresh interactive step code.
Result<Passwords> unpack(const PackedCopies &copies, const QString &makeDate,
                         const QString &family = kFamily) {
    StepCode step(u'P');
    return UnpackPasswords(family, makeDate, copies, step);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Code tables

TEST(CodeTables, PairsAreExactInversesAndStoredCharactersAreSafe) {
    for (int g = 0; g < codetables::kGroups; ++g) {
        std::set<int> codes;
        for (int c = 0x20; c <= 0x7e; ++c) {
            const int code = codetables::e1(g, QChar(c));
            ASSERT_GE(code, 0) << g << " " << c;
            ASSERT_LE(code, 99);
            codes.insert(code);
            EXPECT_EQ(codetables::d2(g, code), QChar(c)) << "group " << g;
        }
        EXPECT_EQ(codes.size(), 95u) << "E1 of group " << g << " maps two characters alike";
        EXPECT_EQ(codetables::e1(g, QChar(0x3042)), -1);
        EXPECT_EQ(codetables::e1(g, QChar(0x7f)), -1);

        QString stored;
        for (int code = 0; code < 100; ++code) {
            const QChar c = codetables::d1(g, code);
            ASSERT_FALSE(c.isNull());
            EXPECT_EQ(codetables::e2(g, c), code) << "group " << g;
            EXPECT_FALSE(c.isSpace()) << "group " << g << " code " << code;
            EXPECT_NE(c, u'*');
            EXPECT_NE(c, u'/');
            EXPECT_FALSE(stored.contains(c)) << "D1 of group " << g << " repeats a character";
            stored += c;
        }
        EXPECT_TRUE(encodeShiftJis(stored).isOk()) << "group " << g;
    }
}

// Files written with these tables must load in every later version: this pins the tables and
// the algorithms to texts produced once and kept here.
TEST(CodeTables, StoredTextsOfEarlierVersionsStillRead) {
    const QString makeDate = QStringLiteral("2026/12/09 22:13:27");
    EXPECT_EQ(ScrambleText(kFamily, QStringLiteral("Secret-1"), makeDate).value(),
              QStringLiteral("かJoZMむそKVWfもひJkZ"));
    const PackedCopies golden{
        QStringLiteral("Lみtそ8ちそCあたかねkW4くWめZt9かさKlkみXRとSBけす6wうkみ4Wkみ4ShBたきtさh6"
                       "pShもt6たしtす4shすuKねせぬxlhJoJzち9しwすのくすWにitB6ZLJwいMさMたbすnすひ"
                       "さませzやwすzしにShみqおil"),
        QStringLiteral(
            "XすzdひむのすVすとへhJz7た9み8Kbも70bさもたhせhebckすひS9しそQtPUGたcbせひJkwhみMdIに"
            "ゆXBhEbZBLpcpふそつ8WそShふzczふすすめし8b8ち35もさVぬzdす1すたkほbJ850Z"),
        QStringLiteral(
            "XW9dbZたCVWゆGhDmd9BかLそrたdたきゆWひDMTひすXDPKきXみhほkさあBpきまけMけ9みそさhけhWm"
            "ふbきめB97kさとZもJvm8GmlすすMむhきX6Glo9た9つbいもたbJeGtつhIbきh0ひc"),
        QStringLiteral("mすVZtZたwあcめも8DMZLみ7とtいこcbきFきzけADzJ7きひめ7きtすあleUめtや3WかB3"
                       "PすZまAとしlVひけ7BkWIvhcIとhすhみtいとCpし2Kb6hくtきXqすみdleおleUhみUみす"
                       "さeくwきPhそWのJhし7け")};
    const Result<Passwords> back = unpack(golden, makeDate);
    ASSERT_TRUE(back.isOk()) << s(back.error().text());
    EXPECT_EQ(back.value(), (Passwords{QStringLiteral("scott"), QStringLiteral("hina"), QString(),
                                       QStringLiteral("w r!te")}));
    const QString old = QStringLiteral("FqAねあもうそうもuKね");
    StepCode step;
    const Result<Passwords> oldBack =
        UnpackPasswords(QStringLiteral("2.0.0.0"), makeDate, PackedCopies{old, {}, {}, {}}, step);
    ASSERT_TRUE(oldBack.isOk());
    EXPECT_EQ(oldBack.value().db, QStringLiteral("tiger"));
}

// ---------------------------------------------------------------------------------------------
// Scrambler

TEST(ScrambleText, RoundTripsEveryTableGroupAndFamily) {
    const QStringList texts{QString(),
                            QStringLiteral("a"),
                            allPasswordCharacters(),
                            QStringLiteral("  lead and trail  "),
                            QStringLiteral("@0?2100@*2133"),
                            QString(kMaxPasswordLength + 6, u'~'),
                            QStringLiteral("'\"--/**/;,=%|\\")};
    const QStringList families{QStringLiteral("1.0.0.0"), QStringLiteral("1.1.0.0"),
                               QStringLiteral("1.2.0.0"), QStringLiteral("2.0.0.0"),
                               QStringLiteral("2.1.0.0"), QStringLiteral("2.2.0.0")};
    std::set<int> fixedGroups;
    for (const QString &family : families) {
        for (const QString &stamp : sampleStamps()) {
            fixedGroups.insert(QString::number(StampSum(stamp)).at(3).digitValue());
            for (const QString &text : texts) {
                const Result<QString> scrambled = ScrambleText(family, text, stamp);
                ASSERT_TRUE(scrambled.isOk()) << s(scrambled.error().message);
                ASSERT_NE(scrambled.value(), ConversionErrorText());
                EXPECT_EQ(scrambled.value().size(), 2 * text.size());
                EXPECT_TRUE(encodeShiftJis(scrambled.value()).isOk());
                const Result<QString> back =
                    UnscrambleText(family, scrambled.value(), StampSum(stamp));
                ASSERT_TRUE(back.isOk());
                EXPECT_EQ(back.value(), text) << s(family) << " " << s(stamp);
            }
        }
    }
    // The fixed families use the fourth digit of the sum: the stamps reach all ten groups.
    EXPECT_EQ(fixedGroups.size(), 10u);
}

TEST(ScrambleText, SameTextScramblesDifferentlyUnderOtherStamps) {
    const QString text = QStringLiteral("password");
    EXPECT_NE(ScrambleText(kFamily, text, QStringLiteral("2026/01/01 10:00:00")).value(),
              ScrambleText(kFamily, text, QStringLiteral("2026/01/01 10:00:01")).value());
    // A wrong sum does not give the text back.
    const QString scrambled =
        ScrambleText(kFamily, text, QStringLiteral("2026/01/01 10:00:00")).value();
    const Result<QString> wrong =
        UnscrambleText(kFamily, scrambled, StampSum(QStringLiteral("2026/01/01 10:00:01")));
    EXPECT_TRUE(!wrong.isOk() || wrong.value() != text);
}

TEST(ScrambleText, RefusesWhatItCannotCode) {
    const QString stamp = QStringLiteral("2026/12/09 10:11:12");
    struct Case {
        const char *name;
        QString text;
    };
    for (const Case &c :
         {Case{"japanese", QStringLiteral("パスワード")},
          Case{"full-width blank", QStringLiteral("a\u3000b")}, Case{"tab", QStringLiteral("a\tb")},
          Case{"line break", QStringLiteral("a\r\nb")}}) {
        const Result<QString> r = ScrambleText(kFamily, c.text, stamp);
        EXPECT_FALSE(r.isOk()) << c.name;
    }
    EXPECT_FALSE(
        ScrambleText(kFamily, QStringLiteral("abc"), QStringLiteral("not a stamp")).isOk());
    // Families outside the six known numbers give an empty text.
    EXPECT_EQ(ScrambleText(QStringLiteral("1.3.0.0"), QStringLiteral("abc"), stamp).value(),
              QString());
    EXPECT_EQ(UnscrambleText(QStringLiteral("3.0.0.0"), QStringLiteral("ab"), 2100).value(),
              QString());
}

TEST(UnscrambleText, BrokenInputIsAnErrorNotACrash) {
    const int sum = 2100;
    for (const QString &bad : {QStringLiteral("abc"), QStringLiteral("a*"),
                               QStringLiteral("ab\u00e9c"), QStringLiteral("\r\n")})
        EXPECT_FALSE(UnscrambleText(kFamily, bad, sum).isOk()) << s(bad);
    EXPECT_FALSE(UnscrambleText(kFamily, QStringLiteral("ab"), 999).isOk());
    EXPECT_FALSE(UnscrambleText(kFamily, QStringLiteral("ab"), 10000).isOk());
}

TEST(Stamps, SumsAndSeconds) {
    EXPECT_EQ(StampSum(QStringLiteral("2026/12/09 22:13:27")), 2026 + 12 + 9 + 22 + 13 + 27);
    EXPECT_EQ(StampSum(QStringLiteral("2026/12/09 22:13")), -1);
    EXPECT_EQ(StampSum(QStringLiteral("2026-12-09 22:13:27")), -1);
    EXPECT_EQ(StampPlusSeconds(QStringLiteral("2026/12/09 22:13:58"), 33),
              QStringLiteral("2026/12/09 22:13:91"));
    EXPECT_EQ(StampPlusSeconds(QStringLiteral("2026/12/09 22:13:02"), 3),
              QStringLiteral("2026/12/09 22:13:05"));
    ManualClock clock(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 59)));
    for (int i = 0; i < 50; ++i) {
        const QString md = NewMakeDate(clock);
        ASSERT_TRUE(md.startsWith(QStringLiteral("2026/03/04 05:06:5"))) << s(md);
        EXPECT_NE(md.back(), u'9');
    }
    EXPECT_EQ(FormatFamily(QStringLiteral("1.1.0.0")), QStringLiteral("1.0.0.0"));
    EXPECT_EQ(FormatFamily(QStringLiteral("2.2.0.0")), QStringLiteral("2.1.0.0"));
    EXPECT_EQ(FormatFamily(QStringLiteral("1.3.0.0")), QString());
}

// ---------------------------------------------------------------------------------------------
// Seed tags

struct SeedTagCase {
    const char *stamp;
    int length;
    bool after;
    std::vector<int> pieces; // the two-digit pieces mapped through D1 of group 0
};

class SeedTagTest : public ::testing::TestWithParam<SeedTagCase> {};

TEST_P(SeedTagTest, LengthPlacementAndPieces) {
    const SeedTagCase &c = GetParam();
    const QString stamp = QString::fromLatin1(c.stamp);
    const QString tag = SeedTag(kFamily, stamp);
    ASSERT_EQ(tag.size(), c.length);
    QString expected;
    for (int piece : c.pieces)
        expected += codetables::d1(0, piece);
    EXPECT_EQ(tag, expected);
    const QString body = QStringLiteral("BODY");
    const QString tagged = AttachSeedTag(kFamily, body, stamp);
    EXPECT_EQ(tagged, c.after ? body + tag : tag + body);
    EXPECT_EQ(StripSeedTag(tagged, stamp), body);
}

INSTANTIATE_TEST_SUITE_P(
    Stamps, SeedTagTest,
    ::testing::Values(SeedTagCase{"2026/12/09 22:13:00", 5, false, {0, 0, 0, 0, 0}},
                      SeedTagCase{"2026/12/09 22:13:01", 5, true, {1, 2, 3, 4, 5}},
                      SeedTagCase{"2026/12/09 22:13:22", 1, false, {22}},
                      SeedTagCase{"2026/12/09 22:13:07", 3, true, {7, 14, 21}},
                      SeedTagCase{"2026/12/09 22:13:58", 4, false, {58, 11, 17, 23}},
                      SeedTagCase{"2026/12/09 22:13:89", 4, true, {89, 17, 26, 35}}));

TEST(SeedTag, UnknownFamilyHasNoTag) {
    EXPECT_EQ(SeedTag(QStringLiteral("9.9.0.0"), QStringLiteral("2026/12/09 22:13:07")), QString());
    EXPECT_EQ(StripSeedTag(QStringLiteral("ab"), QStringLiteral("2026/12/09 22:13:00")), QString());
}

// ---------------------------------------------------------------------------------------------
// Packing and unpacking

struct PackCase {
    const char *name;
    Passwords passwords;
};

void PrintTo(const PackCase &c, std::ostream *os) {
    *os << c.name;
}

class PackTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackTest, PacksFourCopiesThatReadBack) {
    const Passwords &pw = GetParam().passwords;
    for (const QString &makeDate : sampleStamps()) {
        const Result<PackedPasswords> packed = PackPasswordsAt(pw, makeDate);
        ASSERT_TRUE(packed.isOk()) << s(packed.error().message);
        EXPECT_EQ(packed.value().version, QStringLiteral("2.2.0.0"));
        EXPECT_EQ(packed.value().makeDate, makeDate);
        const PackedCopies &c = packed.value().copies;
        for (const QString &copy : {c.password, c.kword, c.qword, c.tword}) {
            ASSERT_FALSE(copy.isEmpty());
            EXPECT_EQ(copy, copy.trimmed());
            EXPECT_FALSE(copy.contains(u'\r') || copy.contains(u'\n'));
            EXPECT_FALSE(copy.contains(QLatin1String("*/")));
            EXPECT_TRUE(encodeShiftJis(copy).isOk());
        }
        // Each copy is in another order under another seed.
        EXPECT_NE(c.password, c.kword);
        EXPECT_NE(c.kword, c.qword);
        EXPECT_NE(c.qword, c.tword);
        const Result<Passwords> back = unpack(c, makeDate, FormatFamily(packed.value().version));
        ASSERT_TRUE(back.isOk()) << s(makeDate) << " " << s(back.error().text());
        EXPECT_EQ(back.value(), pw);
        // The written VERSION itself names the family too.
        EXPECT_EQ(unpack(c, makeDate, packed.value().version).value(), pw);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, PackTest,
    ::testing::Values(
        PackCase{"AllEmpty", {}}, PackCase{"AllSet", {"scott", "tmpl", "read", "write"}},
        PackCase{"OnlyDb", {"tiger", "", "", ""}}, PackCase{"OnlyWrite", {"", "", "", "w"}},
        PackCase{"SymbolsAndBlanks", {" a b ", "@*2133", "'\"%|*/--", "@0?x"}},
        PackCase{"MaxLength",
                 {QString(kMaxPasswordLength, u'x'), QString(kMaxPasswordLength, u'~'),
                  QString(kMaxPasswordLength, u' '), allPasswordCharacters().left(41)}}));

TEST(PackPasswords, RefusesPasswordsItCannotStore) {
    const QString md = QStringLiteral("2026/12/09 22:13:27");
    struct Case {
        const char *name;
        Passwords pw;
        const char *inMessage;
    };
    const QString tooLong(kMaxPasswordLength + 1, u'a');
    for (const Case &c : {Case{"db too long", {tooLong, "", "", ""}, "DBPassWord"},
                          Case{"write too long", {"", "", "", tooLong}, "Excel書き込みPassWord"},
                          Case{"japanese template", {"", "ひみつ", "", ""}, "雛形読み込みPassWord"},
                          Case{"tab in read", {"", "", "a\tb", ""}, "Excel読み込みPassWord"}}) {
        const Result<PackedPasswords> r = PackPasswordsAt(c.pw, md);
        ASSERT_FALSE(r.isOk()) << c.name;
        EXPECT_TRUE(r.error().message.contains(QString::fromUtf8(c.inMessage)))
            << c.name << ": " << s(r.error().message);
    }
    const Result<PackedPasswords> r = PackPasswordsAt({tooLong, "", "", ""}, md);
    EXPECT_TRUE(r.error().message.contains(QStringLiteral("41"))) << s(r.error().message);
}

TEST(PackPasswords, SavesSecondsApartDifferAndBothReadBack) {
    ManualClock clock(QDateTime(QDate(2026, 12, 9), QTime(22, 13, 0)));
    const Passwords pw{"db", "t", "r", "w"};
    const Result<PackedPasswords> first = PackPasswords(pw, clock);
    clock.advance(12000);
    const Result<PackedPasswords> second = PackPasswords(pw, clock);
    ASSERT_TRUE(first.isOk() && second.isOk());
    EXPECT_NE(first.value().makeDate, second.value().makeDate);
    EXPECT_NE(first.value().copies.password, second.value().copies.password);
    EXPECT_EQ(unpack(first.value().copies, first.value().makeDate).value(), pw);
    EXPECT_EQ(unpack(second.value().copies, second.value().makeDate).value(), pw);
}

TEST(UnpackPasswords, OlderFamiliesCarryOnlyTheDatabasePassword) {
    const QString md = QStringLiteral("2025/02/03 04:05:06");
    for (const char *version : {"1.0.0.0", "1.1.0.0", "1.2.0.0", "2.0.0.0"}) {
        const QString family = FormatFamily(QLatin1String(version));
        const QString stored =
            AttachSeedTag(family, ScrambleText(family, QStringLiteral("tiger"), md).value(), md);
        StepCode step;
        const Result<Passwords> r =
            UnpackPasswords(family, md, PackedCopies{stored, QStringLiteral("junk"), {}, {}}, step);
        ASSERT_TRUE(r.isOk()) << version;
        EXPECT_EQ(r.value(), (Passwords{"tiger", "", "", ""})) << version;
        // No password stored: an empty one.
        EXPECT_EQ(UnpackPasswords(family, md, PackedCopies{}, step).value(), Passwords{});
    }
}

// A copy whose password p differs from the others: copies of two packs that differ only in p,
// spliced together under the same stamp. Whichever of the four copies was replaced, the
// password is named.
TEST(UnpackPasswords, EachTamperedPasswordIsNamed) {
    const QString md = QStringLiteral("2026/06/15 12:34:56");
    const Passwords base{"db", "tmpl", "rd", "wr"};
    const char *copyNames[] = {"PASSWORD", "KWORD", "QWORD", "TWORD"};
    QString PackedCopies::*copyFields[] = {&PackedCopies::password, &PackedCopies::kword,
                                           &PackedCopies::qword, &PackedCopies::tword};
    for (int p = 0; p < 4; ++p) {
        Passwords other = base;
        (p == 0   ? other.db
         : p == 1 ? other.templateRead
         : p == 2 ? other.outputRead
                  : other.outputWrite) = QStringLiteral("changed");
        for (int c = 0; c < 4; ++c) {
            SCOPED_TRACE(std::string(copyNames[c]) + " password " + std::to_string(p));
            PackedCopies copies = PackPasswordsAt(base, md).value().copies;
            copies.*copyFields[c] = PackPasswordsAt(other, md).value().copies.*copyFields[c];
            for (QChar prefix : {QChar(u'P'), QChar(u'C')}) {
                StepCode step(prefix);
                const Result<Passwords> r = UnpackPasswords(kFamily, md, copies, step);
                ASSERT_FALSE(r.isOk());
                EXPECT_EQ(r.error().message, TamperText(p));
                EXPECT_EQ(r.error().stepCode,
                          QString(prefix) + QStringLiteral("DD_30017") + QString::number(6 + p));
                EXPECT_EQ(step.text(), r.error().stepCode);
            }
        }
    }
    EXPECT_EQ(TamperText(0), QStringLiteral("DBPassWord改竄エラー"));
    EXPECT_EQ(TamperText(1), QStringLiteral("雛形読み込みPassWord改竄エラー"));
    EXPECT_EQ(TamperText(2), QStringLiteral("Excel読み込みPassWord改竄エラー"));
    EXPECT_EQ(TamperText(3), QStringLiteral("Excel書き込みPassWord改竄エラー"));
}

TEST(UnpackPasswords, BrokenCopiesEndInTheStepWhereUnpackingBroke) {
    const QString md = QStringLiteral("2026/06/15 12:34:56");
    const PackedCopies good = PackPasswordsAt({"db", "t", "r", "w"}, md).value().copies;
    struct Case {
        const char *name;
        PackedCopies copies;
        QString makeDate;
        const char *code;
    };
    PackedCopies badHeader = good, cutValue = good, emptyCopy = good, longer = good, swapped = good;
    badHeader.kword.replace(0, 2, QStringLiteral("**"));
    cutValue.tword.chop(1);
    emptyCopy.qword.clear();
    longer.password += QStringLiteral("A");
    std::swap(swapped.kword, swapped.qword);
    for (const Case &c : {Case{"header not digits", badHeader, md, "PDD_300050"},
                          Case{"value cut short", cutValue, md, "PDD_300132"},
                          Case{"empty copy", emptyCopy, md, "PDD_300091"},
                          Case{"extra character", longer, md, "PDD_300012"},
                          Case{"makedate missing", good, QString(), "PDD_300003"}}) {
        const Result<Passwords> r = unpack(c.copies, c.makeDate);
        ASSERT_FALSE(r.isOk()) << c.name;
        EXPECT_EQ(r.error().stepCode, QLatin1String(c.code)) << c.name;
    }
    // Swapping two copies is caught: each copy is read with its own stamp and order.
    const Result<Passwords> r = unpack(swapped, md);
    ASSERT_FALSE(r.isOk());
    EXPECT_TRUE(matchesRegex(r.error().stepCode, "PDD_300(0[1-9]\\d|1[0-7]\\d)"))
        << s(r.error().stepCode);
}

TEST(UnpackPasswords, ChangesInsideASeedTagGoUnnoticed) {
    // Last digit 5: the tag (2 characters) follows each value; the last value of a copy ends
    // the copy, so its last character belongs to the tag.
    const QString md = QStringLiteral("2026/06/15 12:34:55");
    const Passwords pw{"db", "t", "r", "w"};
    PackedCopies copies = PackPasswordsAt(pw, md).value().copies;
    QChar &last = copies.kword[copies.kword.size() - 1];
    last = last == u'A' ? u'B' : u'A';
    EXPECT_EQ(unpack(copies, md).value(), pw);
}

// Random damage to packed copies: nothing crashes or hangs, and every outcome is either the
// stored passwords (damage inside a seed tag or suffix) or the defined error with all four
// passwords lost and a PDD_ code of the unpacking steps.
TEST(UnpackPasswords, FuzzedCopiesEndInTheDefinedResult) {
    std::mt19937 rng(424242);
    const QString alphabet = allPasswordCharacters() + QStringLiteral("あいうえおアイ漢字\u3000é");
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const QStringList stamps = sampleStamps();
    int unnoticed = 0, errors = 0;
    for (int round = 0; round < 4000; ++round) {
        Passwords pw;
        for (int p = 0; p < 4; ++p) {
            const int len = pick(3) == 0 ? 0 : pick(kMaxPasswordLength + 1);
            QString text;
            for (int i = 0; i < len; ++i)
                text += QChar(0x20 + pick(95));
            (p == 0   ? pw.db
             : p == 1 ? pw.templateRead
             : p == 2 ? pw.outputRead
                      : pw.outputWrite) = text;
        }
        QString md = stamps.at(pick(static_cast<int>(stamps.size())));
        const Result<PackedPasswords> packed = PackPasswordsAt(pw, md);
        ASSERT_TRUE(packed.isOk());
        PackedCopies copies = packed.value().copies;
        const int mutations = 1 + pick(3);
        for (int m = 0; m < mutations; ++m) {
            QString &target = pick(4) == 0   ? copies.password
                              : pick(3) == 0 ? copies.kword
                              : pick(2) == 0 ? copies.qword
                                             : copies.tword;
            const int pos = target.isEmpty() ? 0 : pick(static_cast<int>(target.size()));
            switch (pick(8)) {
            case 0: // replace by a stored character
                if (!target.isEmpty())
                    target[pos] = codetables::d1(pick(10), pick(100));
                break;
            case 1: // replace by anything
                if (!target.isEmpty())
                    target[pos] = alphabet.at(pick(static_cast<int>(alphabet.size())));
                break;
            case 2:
                target.remove(pos, 1 + pick(3));
                break;
            case 3:
                target.insert(pos, codetables::d1(pick(10), pick(100)));
                break;
            case 4:
                target.truncate(pos);
                break;
            case 5:
                target += target.mid(pos);
                break;
            case 6:
                std::swap(copies.password, pick(2) ? copies.tword : copies.qword);
                break;
            default:
                md[17 + pick(2)] = QChar(u'0' + pick(10));
                break;
            }
        }
        StepCode step;
        const Result<Passwords> r = UnpackPasswords(kFamily, md, copies, step);
        if (r.isOk()) {
            EXPECT_EQ(r.value(), pw) << "round " << round;
            ++unnoticed;
        } else {
            ++errors;
            EXPECT_TRUE(
                matchesRegex(r.error().stepCode, "PDD_300(00[3-9]|0[1-9]\\d|1[0-7]\\d|18[01])"))
                << "round " << round << ": " << s(r.error().stepCode);
            EXPECT_FALSE(r.error().message.isEmpty());
            EXPECT_EQ(step.text(), r.error().stepCode);
        }
    }
    // The damage is mostly caught.
    EXPECT_GT(errors, 3 * unnoticed);
}

// ---------------------------------------------------------------------------------------------
// Changing the Excel passwords of a settings file in place

namespace {

const QString kBegin =
    QStringLiteral(" /* ここから下はフォーマット設定です。変更しないでください。*/  ");
const QString kEnd =
    QStringLiteral(" /* ここから上はフォーマット設定です。変更しないでください。*/  ");

QString keyLine(const QString &key, const QString &value) {
    return QStringLiteral(" /* ") + key + QStringLiteral("= ") + value + QStringLiteral(" ");
}

// A small settings file. Keys can be left out to make older or damaged files.
QStringList settingsLines(const PackedPasswords &p, const QStringList &omit = {}) {
    QStringList lines{QStringLiteral("SELECT PASSWORD "),
                      QStringLiteral("  FROM USERS WHERE PASSWORD = 'x' -- KWORD= y "),
                      QStringLiteral(" "),
                      QStringLiteral(" "),
                      QStringLiteral(" "),
                      QStringLiteral(" "),
                      kBegin};
    auto add = [&](const char *key, const QString &value) {
        if (!omit.contains(QLatin1String(key)))
            lines << keyLine(QLatin1String(key), value);
    };
    add("PROCFLG", QStringLiteral("1"));
    add("DATABASE", QStringLiteral("SQLITE"));
    add("DBNAME", QStringLiteral("DEMO"));
    add("USER_NAME", QStringLiteral("scott"));
    add("PASSWORD", p.copies.password);
    add("CSVTABLENAME", QString());
    add("CSVCOLNAME", QStringLiteral("FALSE"));
    add("QWORD", p.copies.qword);
    add("KWORD", p.copies.kword);
    add("TWORD", p.copies.tword);
    add("TITLE", QStringLiteral("PASSWORD一覧"));
    add("TITLEBOLD", QStringLiteral("FALSE"));
    add("SETTING", QStringLiteral("0"));
    lines << QStringLiteral(" /* 10@標準@PASSWORD=1@@@@@@  */ ");
    add("MAKEDATE", p.makeDate);
    add("VERSION", p.version);
    lines << kEnd;
    return lines;
}

// The value of the last key line of key in the block.
QString valueOf(const QStringList &lines, const char *key) {
    QString value;
    const QString prefix = QStringLiteral(" /* ") + QLatin1String(key) + QStringLiteral("=");
    for (const QString &l : lines) {
        if (l.startsWith(prefix))
            value = l.mid(prefix.size()).trimmed();
    }
    return value;
}

Result<Passwords> unpackLines(const QStringList &lines) {
    StepCode step;
    return UnpackPasswords(FormatFamily(valueOf(lines, "VERSION")), valueOf(lines, "MAKEDATE"),
                           PackedCopies{valueOf(lines, "PASSWORD"), valueOf(lines, "KWORD"),
                                        valueOf(lines, "QWORD"), valueOf(lines, "TWORD")},
                           step);
}

int indexOfKey(const QStringList &lines, const char *key) {
    const QString prefix = QStringLiteral(" /* ") + QLatin1String(key) + QStringLiteral("=");
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).startsWith(prefix))
            return i;
    }
    return -1;
}

const QString kOldStamp = QStringLiteral("2025/01/02 03:04:05");
const QString kNewStamp = QStringLiteral("2026/12/09 22:13:27");

} // namespace

TEST(ChangeExcelPasswords, RewritesOnlyTheKeyLinesAndKeepsTheDatabasePassword) {
    const QStringList before =
        settingsLines(PackPasswordsAt({"dbpw", "t1", "r1", "w1"}, kOldStamp).value());
    StepCode step;
    const Result<QStringList> after = ChangeExcelPasswordsAt(
        before, QStringLiteral("t2"), QString(), QStringLiteral("w2"), kNewStamp, step);
    ASSERT_TRUE(after.isOk()) << s(after.error().text());
    const QStringList &out = after.value();
    ASSERT_EQ(out.size(), before.size());
    // VERSION was "2.2.0.0" already and stays; the other five change.
    const QSet<QString> changed{QStringLiteral("PASSWORD"), QStringLiteral("KWORD"),
                                QStringLiteral("QWORD"), QStringLiteral("TWORD"),
                                QStringLiteral("MAKEDATE")};
    for (int i = 0; i < out.size(); ++i) {
        bool isChangedKey = false;
        for (const QString &k : changed)
            isChangedKey = isChangedKey || out.at(i).startsWith(QStringLiteral(" /* ") + k + "=");
        if (!isChangedKey)
            EXPECT_EQ(out.at(i), before.at(i)) << "line " << i;
        else
            EXPECT_NE(out.at(i), before.at(i)) << "line " << i;
    }
    EXPECT_EQ(out.at(indexOfKey(out, "MAKEDATE")), keyLine("MAKEDATE", kNewStamp));
    EXPECT_EQ(out.at(indexOfKey(out, "VERSION")), keyLine("VERSION", "2.2.0.0"));
    // Written as a Shift_JIS file and read back, the new copies still unpack.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.kvr"));
    ASSERT_TRUE(writeTextLines(path, out).isOk());
    const Result<QStringList> reread = readTextLines(path);
    ASSERT_TRUE(reread.isOk());
    EXPECT_EQ(reread.value(), out);
    const Result<Passwords> back = unpackLines(reread.value());
    ASSERT_TRUE(back.isOk()) << s(back.error().text());
    EXPECT_EQ(back.value(), (Passwords{"dbpw", "t2", "", "w2"}));
}

TEST(ChangeExcelPasswords, InsertsMissingLinesWhereTheReaderFindsThem) {
    // A "2.0.0.0" file: the database password alone in PASSWORD, no further copies.
    const QString family = QStringLiteral("2.0.0.0");
    PackedPasswords old;
    old.makeDate = kOldStamp;
    old.version = family;
    old.copies.password = AttachSeedTag(
        family, ScrambleText(family, QStringLiteral("olddb"), kOldStamp).value(), kOldStamp);
    const QStringList before = settingsLines(
        old, {QStringLiteral("KWORD"), QStringLiteral("QWORD"), QStringLiteral("TWORD")});
    StepCode step;
    const Result<QStringList> after = ChangeExcelPasswordsAt(
        before, QStringLiteral("t"), QStringLiteral("r"), QStringLiteral("w"), kNewStamp, step);
    ASSERT_TRUE(after.isOk()) << s(after.error().text());
    const QStringList &out = after.value();
    const int anchor = indexOfKey(out, "CSVCOLNAME");
    EXPECT_EQ(indexOfKey(out, "KWORD"), anchor + 1);
    EXPECT_EQ(indexOfKey(out, "QWORD"), anchor + 2);
    EXPECT_EQ(indexOfKey(out, "TWORD"), anchor + 3);
    EXPECT_EQ(out.size(), before.size() + 3);
    EXPECT_EQ(unpackLines(out).value(), (Passwords{"olddb", "t", "r", "w"}));

    // A file without any stored password, MAKEDATE or VERSION gets all of them.
    const QStringList bare = settingsLines(
        old, {QStringLiteral("PASSWORD"), QStringLiteral("KWORD"), QStringLiteral("QWORD"),
              QStringLiteral("TWORD"), QStringLiteral("MAKEDATE"), QStringLiteral("VERSION")});
    const Result<QStringList> filled =
        ChangeExcelPasswordsAt(bare, QStringLiteral("t"), QString(), QString(), kNewStamp, step);
    ASSERT_TRUE(filled.isOk()) << s(filled.error().text());
    const QStringList &f = filled.value();
    EXPECT_EQ(indexOfKey(f, "PASSWORD"), indexOfKey(f, "USER_NAME") + 1);
    EXPECT_EQ(indexOfKey(f, "KWORD"), indexOfKey(f, "CSVCOLNAME") + 1);
    EXPECT_EQ(f.at(f.size() - 3), keyLine("MAKEDATE", kNewStamp));
    EXPECT_EQ(f.at(f.size() - 2), keyLine("VERSION", "2.2.0.0"));
    EXPECT_EQ(f.back(), kEnd);
    EXPECT_EQ(unpackLines(f).value(), (Passwords{"", "t", "", ""}));

    // Without USER_NAME the PASSWORD line follows DBNAME.
    const QStringList noUser = settingsLines(
        old, {QStringLiteral("USER_NAME"), QStringLiteral("PASSWORD"), QStringLiteral("MAKEDATE"),
              QStringLiteral("KWORD"), QStringLiteral("QWORD"), QStringLiteral("TWORD")});
    const Result<QStringList> afterNoUser =
        ChangeExcelPasswordsAt(noUser, QString(), QString(), QString(), kNewStamp, step);
    ASSERT_TRUE(afterNoUser.isOk());
    EXPECT_EQ(indexOfKey(afterNoUser.value(), "PASSWORD"),
              indexOfKey(afterNoUser.value(), "DBNAME") + 1);
    // MAKEDATE goes before the existing VERSION line, which the reader needs last.
    EXPECT_EQ(indexOfKey(afterNoUser.value(), "MAKEDATE") + 1,
              indexOfKey(afterNoUser.value(), "VERSION"));
}

TEST(ChangeExcelPasswords, RefusesFilesItCannotReadAndLeavesThemAlone) {
    PackedPasswords p = PackPasswordsAt({"dbpw", "t1", "r1", "w1"}, kOldStamp).value();
    PackedPasswords tampered = p;
    tampered.copies.qword =
        PackPasswordsAt({"other", "t1", "r1", "w1"}, kOldStamp).value().copies.qword;
    StepCode step;
    const Result<QStringList> r = ChangeExcelPasswordsAt(settingsLines(tampered), QString(),
                                                         QString(), QString(), kNewStamp, step);
    ASSERT_FALSE(r.isOk());
    EXPECT_EQ(r.error().stepCode, QStringLiteral("PDD_300176"));

    QStringList noBlock = settingsLines(p);
    noBlock.removeAll(kEnd);
    EXPECT_FALSE(
        ChangeExcelPasswordsAt(noBlock, QString(), QString(), QString(), kNewStamp, step).isOk());

    const Result<QStringList> tooLong =
        ChangeExcelPasswordsAt(settingsLines(p), QString(kMaxPasswordLength + 1, u'x'), QString(),
                               QString(), kNewStamp, step);
    EXPECT_FALSE(tooLong.isOk());
}
