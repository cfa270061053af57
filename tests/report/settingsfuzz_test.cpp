// Mutated settings files: the reader must end every one of them, quickly, either with the
// definition or with a load error it defines, never with a crash.
#include "tests/report/reportsamples.h"

#include "core/textfile.h"
#include "report/messagetable.h"
#include "report/settingsfile.h"
#include "tests/support/testsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

const QString kPieces[] = {QStringLiteral("="),          QStringLiteral("@"),
                           QStringLiteral(" /* "),       QStringLiteral("*/"),
                           QStringLiteral("SETTING= 0"), QStringLiteral("VERSION= 2.2.0.0"),
                           QStringLiteral("TITLEBOLD="), QStringLiteral("PF1/PS1/"),
                           QStringLiteral("-1"),         QStringLiteral("999"),
                           QStringLiteral("〔"),         QStringLiteral("〕"),
                           QStringLiteral("\t"),         QStringLiteral("　"),
                           QStringLiteral("/"),          QStringLiteral("2024/13/40 99:99:99")};

QString randomText(std::mt19937 &rng) {
    std::uniform_int_distribution<int> len(0, 24);
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> piece(0, int(std::size(kPieces)) - 1);
    std::uniform_int_distribution<int> ascii(0x20, 0x7E);
    QString out;
    for (int n = len(rng); n > 0; --n) {
        switch (kind(rng)) {
        case 0:
            out += kPieces[piece(rng)];
            break;
        case 1:
            out += QChar(u'あ' + ascii(rng) % 80);
            break;
        default:
            out += QChar(char16_t(ascii(rng)));
        }
    }
    return out;
}

// One mutation of the lines: drop, duplicate, truncate, swap, overwrite, insert random text,
// or break a marker.
void mutate(QStringList &lines, std::mt19937 &rng) {
    if (lines.isEmpty()) {
        lines << randomText(rng);
        return;
    }
    std::uniform_int_distribution<int> what(0, 7);
    std::uniform_int_distribution<qsizetype> at(0, lines.size() - 1);
    const qsizetype i = at(rng);
    switch (what(rng)) {
    case 0:
        lines.removeAt(i);
        break;
    case 1:
        lines.insert(i, lines[i]);
        break;
    case 2: {
        std::uniform_int_distribution<qsizetype> cut(0, lines[i].size());
        lines[i].truncate(cut(rng));
        break;
    }
    case 3:
        lines.swapItemsAt(i, at(rng));
        break;
    case 4: {
        std::uniform_int_distribution<qsizetype> pos(0, lines[i].size());
        lines[i].insert(pos(rng), randomText(rng));
        break;
    }
    case 5:
        lines.insert(i, randomText(rng));
        break;
    case 6: {
        // Break one of the markers: drop a character of it.
        const qsizetype m = lines.indexOf(at(rng) % 2 ? beginMarkerLine() : endMarkerLine());
        if (m >= 0) {
            std::uniform_int_distribution<qsizetype> pos(0, lines[m].size() - 1);
            lines[m].remove(pos(rng), 1);
        }
        break;
    }
    default: {
        // Replace a value after "= " by random text.
        const qsizetype eq = lines[i].indexOf(QStringLiteral("= "));
        if (eq >= 0)
            lines[i] = lines[i].left(eq + 2) + randomText(rng) + u' ';
        break;
    }
    }
}

} // namespace

TEST(SettingsFuzz, MutatedFilesEndInTheDefinitionOrADefinedError) {
    const Result<QStringList> valid =
        readTextLines(testPath(QStringLiteral("data/settings/valid_excel/input.kvr")));
    ASSERT_TRUE(valid.isOk());
    std::mt19937 rng(20240401u);
    std::uniform_int_distribution<int> steps(1, 4);
    QElapsedTimer total;
    total.start();
    int failures = 0;
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        QStringList lines = *valid;
        for (int n = steps(rng); n > 0; --n)
            mutate(lines, rng);
        SettingsReadOptions options;
        options.prefix = round % 2 ? u'C' : u'P';
        options.aliases = {QStringLiteral("SALES")};
        SettingsFileReader reader(options);
        ReportDefinition def;
        QElapsedTimer one;
        one.start();
        const Status st = reader.readLines(lines, def);
        ASSERT_LT(one.elapsed(), 2000) << "round " << round;
        if (st) {
            ++loaded;
            continue;
        }
        ++failures;
        const QString &message = st.error().message;
        ASSERT_TRUE(message.startsWith(SettingsText::loadError())) << "round " << round;
        const QString code = st.error().stepCode;
        ASSERT_FALSE(code.isEmpty()) << "round " << round;
        EXPECT_EQ(code[0], options.prefix) << "round " << round << " " << code.toStdString();
        // A returned code follows the text directly; any other failure leaves one blank.
        EXPECT_TRUE(message == SettingsText::loadError() + code ||
                    message == SettingsText::loadError() + u' ')
            << "round " << round << ": " << message.toStdString();
    }
    // Both outcomes occur, so the mutations reach past the first checks.
    EXPECT_GT(failures, 100);
    EXPECT_GT(loaded, 100);
    EXPECT_LT(total.elapsed(), 60000);
}

TEST(SettingsFuzz, RandomBytesEndInADefinedError) {
    QFile f(testPath(QStringLiteral("data/settings/valid_excel/input.kvr")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray valid = f.readAll();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fuzz.kvr"));
    std::mt19937 rng(7u);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<qsizetype> at(0, valid.size() - 1);
    for (int round = 0; round < 500; ++round) {
        QByteArray bytes = valid;
        for (int n = count(rng); n > 0; --n)
            bytes[at(rng)] = char(byte(rng));
        QFile out(path);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(bytes);
        out.close();
        SettingsFileReader reader(
            SettingsReadOptions{u'P', {QStringLiteral("SALES")}, QString(), false});
        ReportDefinition def;
        const Status st = reader.readFile(path, def);
        if (!st) {
            EXPECT_TRUE(st.error().message.startsWith(SettingsText::loadError()))
                << "round " << round;
            EXPECT_FALSE(st.error().stepCode.isEmpty()) << "round " << round;
        }
    }
}
