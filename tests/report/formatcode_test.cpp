#include "report/columnsetting.h"
#include "report/formatcode.h"

#include <gtest/gtest.h>

using namespace kelvoran;

namespace {

QString codes(std::initializer_list<const char *> parts) {
    QString out;
    for (const char *p : parts)
        out += QString::fromUtf8(p);
    return out;
}

} // namespace

TEST(FormatCode, BuildsSeventeenCharacterEntries) {
    struct Case {
        const char *name;
        std::optional<QString> built;
        const char *expected; // nullptr: refused
    };
    const Case cases[] = {
        {"plain", FormatCode::plain(2), "002/   /   /   /,"},
        {"zero padding 0 x5", FormatCode::zeroPadding("0", "5"), "001/0  /5  /   /,"},
        {"zero padding count trimmed", FormatCode::zeroPadding("*", " 12 "), "001/*  /12 /   /,"},
        {"zero padding without count", FormatCode::zeroPadding("0", ""), nullptr},
        {"zero padding count of 4 digits", FormatCode::zeroPadding("0", "1234"), nullptr},
        {"zero padding count not digits", FormatCode::zeroPadding("0", "5a"), nullptr},
        {"zero padding two characters", FormatCode::zeroPadding("00", "5"), nullptr},
        {"font size", FormatCode::withNumber(5, "10"), "005/ 10/   /   /,"},
        {"style index", FormatCode::withNumber(7, "3"), "007/  3/   /   /,"},
        {"group total colour", FormatCode::withNumber(103, "36"), "103/ 36/   /   /,"},
        {"font size too long", FormatCode::withNumber(5, "1000"), nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.expected) {
            EXPECT_FALSE(c.built.has_value());
            continue;
        }
        ASSERT_TRUE(c.built.has_value());
        EXPECT_EQ(*c.built, QString::fromUtf8(c.expected));
        EXPECT_EQ(c.built->size(), FormatCode::Length);
    }
}

TEST(FormatCode, ChooserListsDependOnContext) {
    const auto column = FormatCode::kinds(FormatContext::Column);
    const auto header = FormatCode::kinds(FormatContext::HeaderOrTotal);
    const auto fixed = FormatCode::kinds(FormatContext::FixedOrExtended);
    ASSERT_EQ(column.size(), 20u);
    ASSERT_EQ(header.size(), 14u);
    ASSERT_EQ(fixed.size(), 13u);
    EXPECT_EQ(header.back().listItem, QStringLiteral("縮小して表示"));
    for (const FormatKind &k : fixed)
        EXPECT_NE(k.number, 5) << "font size is not offered for template reports";
    for (const FormatKind &k : header)
        EXPECT_FALSE(FormatCode::isTotalKind(k.number));
    // Every kind's display text is what the file stores; the list item differs for some.
    EXPECT_EQ(FormatCode::kind(11)->displayText, QStringLiteral("〔文字列の位置〕"));
    EXPECT_EQ(FormatCode::kind(201)->displayText, QStringLiteral("〔オートフィット（列幅）〕"));
    EXPECT_EQ(FormatCode::kind(6)->displayText, QStringLiteral("〔文字列表示〕"));
    // In the fixed report context "文字列として表示" appends its plain code.
    auto it = std::find_if(fixed.begin(), fixed.end(),
                           [](const FormatKind &k) { return k.listItem == u"文字列として表示"; });
    ASSERT_NE(it, fixed.end());
    EXPECT_EQ(FormatCode::plain(it->number), QStringLiteral("006/   /   /   /,"));
}

TEST(FormatCode, ParsingSkipsShortAndUnknownEntries) {
    // A 17-character unknown kind, a valid group total, a non-digit kind, a valid entry, and a
    // short tail that must not be read past its end.
    const QString list = codes({"999/   /   /   /,", "103/ 36/   /   /,", "ab1/   /   /   /,",
                                "007/  2/   /   /,", "002/  "});
    const auto parsed = parseFormatCodes(list, QStringLiteral("REGION******,"));
    ASSERT_EQ(parsed.size(), 2u);
    EXPECT_EQ(parsed[0].kind, 103);
    EXPECT_EQ(parsed[0].param1, QStringLiteral(" 36"));
    EXPECT_EQ(parsed[0].groupKey, QStringLiteral("REGION"));
    EXPECT_EQ(parsed[1].kind, 7);
    EXPECT_EQ(parsed[1].param1.trimmed().toInt(), 2);
    EXPECT_TRUE(parseFormatCodes(QStringLiteral("00")).empty());
    EXPECT_TRUE(parseFormatCodes(QString()).empty());
    // A group code without its key piece gets an empty key rather than another entry's.
    const auto noKey = parseFormatCodes(codes({"104/ 40/   /   /,"}));
    ASSERT_EQ(noKey.size(), 1u);
    EXPECT_TRUE(noKey[0].groupKey.isEmpty());
}

TEST(FormatList, DeletingTheMiddleEntryKeepsOrder) {
    const QString text = QStringLiteral("〔中央出力〕〔フォントサイズ〕〔日付表示〕");
    const QString list = codes({"002/   /   /   /,", "005/ 10/   /   /,", "007/  2/   /   /,"});
    ASSERT_EQ(list.size(), 51);
    auto entries = splitFormatList(text, list, QString());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].displayText, QStringLiteral("〔フォントサイズ〕"));
    entries.erase(entries.begin() + 1);
    QString newText, newCodes, newKeys;
    joinFormatList(entries, newText, newCodes, newKeys);
    EXPECT_EQ(newText, QStringLiteral("〔中央出力〕〔日付表示〕"));
    EXPECT_EQ(newCodes, codes({"002/   /   /   /,", "007/  2/   /   /,"}));
    EXPECT_EQ(newCodes.size(), 34);
}

TEST(FormatList, GroupKeysFollowTheirCodesThroughAReorder) {
    const QString text = QStringLiteral("〔グループ合計〕〔中央出力〕〔グループ平均〕");
    const QString list = codes({"103/ 36/   /   /,", "002/   /   /   /,", "104/ 40/   /   /,"});
    const QString keys = QStringLiteral("REGION******,BRANCH******,");
    auto entries = splitFormatList(text, list, keys);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].groupKey, QStringLiteral("REGION******,"));
    EXPECT_EQ(entries[2].groupKey, QStringLiteral("BRANCH******,"));
    std::swap(entries[0], entries[2]); // drag the average to the top
    QString newText, newCodes, newKeys;
    joinFormatList(entries, newText, newCodes, newKeys);
    EXPECT_EQ(newKeys, QStringLiteral("BRANCH******,REGION******,"));
    EXPECT_EQ(newCodes.left(3), QStringLiteral("104"));
    const auto parsed = parseFormatCodes(newCodes, newKeys);
    ASSERT_EQ(parsed.size(), 3u);
    EXPECT_EQ(parsed[0].groupKey, QStringLiteral("BRANCH"));
    EXPECT_EQ(parsed[2].groupKey, QStringLiteral("REGION"));
}

TEST(FormatList, HeaderAndTotalListsDropTotalKinds) {
    const QString text = QStringLiteral("〔中央出力〕〔合計〕〔折り返して表示〕");
    const QString list = codes({"002/   /   /   /,", "101/   /   /   /,", "202/   /   /   /,"});
    const auto entries = splitFormatList(text, list, QString(), false);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].code, QStringLiteral("202/   /   /   /,"));
}

TEST(FormatList, ShortCodeStringDoesNotReadPastItsEnd) {
    // Three names but codes for one and a half entries: names keep their order, codes are cut.
    const auto entries = splitFormatList(QStringLiteral("〔中央出力〕〔合計〕〔日付表示〕"),
                                         QStringLiteral("002/   /   /   /,101/  "), QString());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].code, QStringLiteral("101/  "));
    EXPECT_TRUE(entries[2].code.isEmpty());
}

TEST(PivotField, DialogWritesKindAggregationAndCode) {
    PivotFieldSetting row;
    setPivotField(row, PivotFieldKind::Data, 1);
    EXPECT_EQ(row.FieldKindText, QStringLiteral("〔データフィールド〕"));
    EXPECT_EQ(row.AggregationText, QStringLiteral("〔合計〕"));
    EXPECT_EQ(row.PivotCode, QStringLiteral("PF3/PS1/   /   /,"));
    // Switching to a row field keeps the list's current aggregation.
    setPivotField(row, PivotFieldKind::Row, 1);
    EXPECT_EQ(row.PivotCode, QStringLiteral("PF1/PS1/   /   /,"));
    setPivotField(row, PivotFieldKind::Page, -1);
    EXPECT_EQ(row.PivotCode, QStringLiteral("PF4/PS0/   /   /,"));
    setPivotField(row, PivotFieldKind::None, 3);
    EXPECT_TRUE(row.PivotCode.isEmpty());
    EXPECT_TRUE(row.FieldKindText.isEmpty());
    EXPECT_TRUE(row.AggregationText.isEmpty());
    EXPECT_EQ(pivotAggregationCode(10), QStringLiteral("PSA"));
    EXPECT_EQ(pivotAggregationText(11), QStringLiteral("〔分散〕"));
    EXPECT_EQ(pivotAggregationIndex(QStringLiteral("PSB")), 11);
    EXPECT_FALSE(pivotAggregationIndex(QStringLiteral("PSC")).has_value());
}

TEST(PivotField, ColumnLineCodeCarriesTheRowNumber) {
    EXPECT_EQ(columnPivotCode(QStringLiteral("PF3/PS1/   /   /,"), 2),
              QStringLiteral("PF3/PS1/2  /   /,"));
    EXPECT_EQ(columnPivotCode(QString(), 12), QStringLiteral("        12 /   /,"));
    EXPECT_EQ(columnPivotCode(QString(), 12).size(), 17);
}

TEST(Palette, FortySwatchesWithKnownColours) {
    ASSERT_EQ(paletteOrder().size(), 40u);
    EXPECT_EQ(paletteOrder().front(), 1);
    EXPECT_EQ(paletteOrder().back(), 2);
    EXPECT_EQ(paletteColour(15), 0xC0C0C0);
    EXPECT_EQ(paletteColour(36), 0xFEFC96);
    EXPECT_EQ(paletteColour(2), -1);
    EXPECT_EQ(paletteColour(17), -1);
}

TEST(FormatChooser, BuildsTheAppendedEntry) {
    struct Case {
        const char *name;
        FormatChoice choice;
        const char *display; // nullptr: nothing appended
        const char *code;
        const char *key;
    };
    auto choice = [](int kind) {
        FormatChoice c;
        c.kind = kind;
        return c;
    };
    FormatChoice pad = choice(1);
    pad.padCount = QStringLiteral("5");
    FormatChoice padNoCount = choice(1);
    FormatChoice font = choice(5);
    FormatChoice date = choice(7);
    date.styleIndex = 17;
    FormatChoice group = choice(103);
    group.colourIndex = 36;
    group.keyName = QStringLiteral(" REGION ");
    FormatChoice groupNoKey = choice(104);
    groupNoKey.colourIndex = 40;
    const Case cases[] = {
        {"zero padding", pad, "〔ゼロパディング〕", "001/0  /5  /   /,", ""},
        {"zero padding without count", padNoCount, nullptr, nullptr, nullptr},
        {"font size default", font, "〔フォントサイズ〕", "005/ 10/   /   /,", ""},
        {"date style 17", date, "〔日付表示〕", "007/ 17/   /   /,", ""},
        {"group total", group, "〔グループ合計〕", "103/ 36/   /   /,", "REGION******,"},
        {"group average without key", groupNoKey, nullptr, nullptr, nullptr},
        {"string display", choice(6), "〔文字列表示〕", "006/   /   /   /,", ""},
        {"unknown kind", choice(12), nullptr, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<FormatListEntry> e = buildFormatEntry(c.choice);
        if (!c.display) {
            EXPECT_FALSE(e.has_value());
            continue;
        }
        ASSERT_TRUE(e.has_value());
        EXPECT_EQ(e->displayText, QString::fromUtf8(c.display));
        EXPECT_EQ(e->code, QString::fromUtf8(c.code));
        EXPECT_EQ(e->groupKey, QString::fromUtf8(c.key));
    }
}
