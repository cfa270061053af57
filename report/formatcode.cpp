#include "report/formatcode.h"

#include <map>

namespace kelvoran {

namespace {

const std::vector<FormatKind> &allKinds() {
    static const std::vector<FormatKind> kinds = {
        {1, QStringLiteral("ゼロパディング"), QStringLiteral("〔ゼロパディング〕"),
         FormatParam::ZeroPadding},
        {2, QStringLiteral("中央出力"), QStringLiteral("〔中央出力〕"), FormatParam::None},
        {3, QStringLiteral("左寄せ出力"), QStringLiteral("〔左寄せ出力〕"), FormatParam::None},
        {4, QStringLiteral("右寄せ出力"), QStringLiteral("〔右寄せ出力〕"), FormatParam::None},
        {11, QStringLiteral("文字の配置"), QStringLiteral("〔文字列の位置〕"),
         FormatParam::Alignment},
        {5, QStringLiteral("フォントサイズ"), QStringLiteral("〔フォントサイズ〕"),
         FormatParam::FontSize},
        {6, QStringLiteral("文字列として表示"), QStringLiteral("〔文字列表示〕"),
         FormatParam::None},
        {10, QStringLiteral("数値表示(マイナス表示)"), QStringLiteral("〔数値表示(マイナス表示)〕"),
         FormatParam::Number},
        {8, QStringLiteral("通貨表示"), QStringLiteral("〔通貨表示〕"), FormatParam::Currency},
        {7, QStringLiteral("日付表示"), QStringLiteral("〔日付表示〕"), FormatParam::Date},
        {9, QStringLiteral("パーセンテージ"), QStringLiteral("〔パーセンテージ〕"),
         FormatParam::Percent},
        {201, QStringLiteral("オートフィット（セル幅）"),
         QStringLiteral("〔オートフィット（列幅）〕"), FormatParam::None},
        {202, QStringLiteral("折り返して表示"), QStringLiteral("〔折り返して表示〕"),
         FormatParam::None},
        {203, QStringLiteral("縮小して表示"), QStringLiteral("〔縮小して表示〕"),
         FormatParam::None},
        {101, QStringLiteral("合計"), QStringLiteral("〔合計〕"), FormatParam::None},
        {102, QStringLiteral("平均"), QStringLiteral("〔平均〕"), FormatParam::None},
        {103, QStringLiteral("グループ合計"), QStringLiteral("〔グループ合計〕"),
         FormatParam::GroupColour},
        {104, QStringLiteral("グループ平均"), QStringLiteral("〔グループ平均〕"),
         FormatParam::GroupColour},
        {105, QStringLiteral("合計（sum関数埋め込み）"), QStringLiteral("〔合計（関数埋め込み）〕"),
         FormatParam::None},
        {106, QStringLiteral("平均（avg関数埋め込み）"), QStringLiteral("〔平均（関数埋め込み）〕"),
         FormatParam::None},
    };
    return kinds;
}

const QString &groupKeyEnd() {
    static const QString end = QStringLiteral("******,");
    return end;
}

// Splits group keys into their "******,"-terminated pieces (terminator kept).
QStringList groupKeyPieces(const QString &groupKeys) {
    QStringList pieces;
    qsizetype from = 0;
    while (from < groupKeys.size()) {
        const qsizetype end = groupKeys.indexOf(groupKeyEnd(), from);
        if (end < 0) {
            pieces << groupKeys.mid(from); // an unterminated tail stays one piece
            break;
        }
        pieces << groupKeys.mid(from, end + groupKeyEnd().size() - from);
        from = end + groupKeyEnd().size();
    }
    return pieces;
}

QString threeDigits(int kind) {
    return QString::number(kind).rightJustified(3, u'0');
}

} // namespace

std::vector<FormatKind> FormatCode::kinds(FormatContext context) {
    const std::vector<FormatKind> &all = allKinds();
    switch (context) {
    case FormatContext::Column:
        return all;
    case FormatContext::HeaderOrTotal:
        return {all.begin(), all.begin() + 14};
    case FormatContext::FixedOrExtended: {
        std::vector<FormatKind> out;
        for (int i = 0; i < 14; ++i)
            if (all[i].number != 5)
                out.push_back(all[i]);
        return out;
    }
    }
    return all;
}

std::optional<FormatKind> FormatCode::kind(int number) {
    for (const FormatKind &k : allKinds())
        if (k.number == number)
            return k;
    return std::nullopt;
}

QString FormatCode::join(int kind, const QString &field1, const QString &field2,
                         const QString &field3) {
    return threeDigits(kind) + u'/' + field1 + u'/' + field2 + u'/' + field3 + QStringLiteral("/,");
}

QString FormatCode::plain(int kind) {
    const QString blank(3, u' ');
    return join(kind, blank, blank, blank);
}

std::optional<QString> FormatCode::withNumber(int kind, const QString &number) {
    const QString trimmed = number.trimmed();
    if (trimmed.size() > 3)
        return std::nullopt;
    const QString blank(3, u' ');
    return join(kind, trimmed.rightJustified(3, u' '), blank, blank);
}

std::optional<QString> FormatCode::zeroPadding(const QString &character, const QString &count) {
    const QString trimmedCount = count.trimmed();
    if (character.size() != 1 || trimmedCount.isEmpty() || trimmedCount.size() > 3)
        return std::nullopt;
    for (QChar c : trimmedCount)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    return join(1, character + QStringLiteral("  "), trimmedCount.leftJustified(3, u' '),
                QString(3, u' '));
}

std::optional<int> FormatCode::kindOf(const QString &code) {
    if (code.size() < Length)
        return std::nullopt;
    int number = 0;
    for (int i = 0; i < 3; ++i) {
        if (code[i] < u'0' || code[i] > u'9')
            return std::nullopt;
        number = number * 10 + (code[i].unicode() - u'0');
    }
    if (!kind(number))
        return std::nullopt;
    return number;
}

std::vector<ParsedFormat> parseFormatCodes(const QString &codes, const QString &groupKeys) {
    std::vector<ParsedFormat> out;
    const QStringList keys = groupKeyPieces(groupKeys);
    qsizetype nextKey = 0;
    for (qsizetype pos = 0; pos + FormatCode::Length <= codes.size(); pos += FormatCode::Length) {
        const QString code = codes.mid(pos, FormatCode::Length);
        const std::optional<int> kind = FormatCode::kindOf(code);
        if (!kind)
            continue;
        ParsedFormat f;
        f.kind = *kind;
        f.param1 = code.mid(4, 3);
        f.param2 = code.mid(8, 3);
        f.param3 = code.mid(12, 3);
        if (FormatCode::isGroupKind(f.kind)) {
            if (nextKey < keys.size()) {
                QString piece = keys[nextKey];
                if (piece.endsWith(groupKeyEnd()))
                    piece.chop(groupKeyEnd().size());
                f.groupKey = piece;
            }
            ++nextKey;
        }
        out.push_back(f);
    }
    return out;
}

std::vector<FormatListEntry> splitFormatList(const QString &displayText, const QString &codes,
                                             const QString &groupKeys, bool withTotals) {
    std::vector<FormatListEntry> out;
    const QStringList keys = groupKeyPieces(groupKeys);
    qsizetype nextKey = 0;
    qsizetype from = 0;
    int index = 0;
    while (from < displayText.size()) {
        qsizetype end = displayText.indexOf(u'〕', from);
        end = end < 0 ? displayText.size() : end + 1;
        FormatListEntry e;
        e.displayText = displayText.mid(from, end - from);
        e.code = codes.mid(qsizetype(index) * FormatCode::Length, FormatCode::Length);
        const std::optional<int> kind = FormatCode::kindOf(e.code);
        if (kind && FormatCode::isGroupKind(*kind)) {
            if (nextKey < keys.size())
                e.groupKey = keys[nextKey];
            ++nextKey;
        }
        if (withTotals || !kind || !FormatCode::isTotalKind(*kind))
            out.push_back(e);
        from = end;
        ++index;
    }
    return out;
}

std::optional<FormatListEntry> buildFormatEntry(const FormatChoice &choice) {
    const std::optional<FormatKind> kind = FormatCode::kind(choice.kind);
    if (!kind)
        return std::nullopt;
    std::optional<QString> code;
    QString key;
    switch (kind->param) {
    case FormatParam::None:
        code = FormatCode::plain(kind->number);
        break;
    case FormatParam::ZeroPadding:
        code = FormatCode::zeroPadding(choice.padCharacter, choice.padCount);
        break;
    case FormatParam::FontSize:
        code = FormatCode::withNumber(kind->number, choice.fontSize);
        break;
    case FormatParam::Alignment:
    case FormatParam::Number:
    case FormatParam::Currency:
    case FormatParam::Date:
    case FormatParam::Percent:
        code = FormatCode::withNumber(kind->number, QString::number(choice.styleIndex));
        break;
    case FormatParam::GroupColour:
        if (choice.keyName.trimmed().isEmpty())
            return std::nullopt;
        code = FormatCode::withNumber(kind->number, QString::number(choice.colourIndex));
        key = groupKeyPiece(choice.keyName.trimmed());
        break;
    }
    if (!code)
        return std::nullopt;
    return FormatListEntry{kind->displayText, *code, key};
}

void joinFormatList(const std::vector<FormatListEntry> &entries, QString &displayText,
                    QString &codes, QString &groupKeys) {
    displayText.clear();
    codes.clear();
    groupKeys.clear();
    for (const FormatListEntry &e : entries) {
        displayText += e.displayText;
        codes += e.code;
        groupKeys += e.groupKey;
    }
}

QString groupKeyPiece(const QString &physicalName) {
    return physicalName + groupKeyEnd();
}

const QStringList &alignmentStyles() {
    static const QStringList list = {QStringLiteral("標準[横位置]"),
                                     QStringLiteral("左詰(インデント)[横位置]"),
                                     QStringLiteral("中央詰め[横位置]"),
                                     QStringLiteral("右詰[横位置]"),
                                     QStringLiteral("繰り返し[横位置]"),
                                     QStringLiteral("両端揃え[横位置]"),
                                     QStringLiteral("選択範囲内で中央[横位置]"),
                                     QStringLiteral("均等割り付け[横位置]"),
                                     QStringLiteral("下詰め[縦位置]"),
                                     QStringLiteral("中央詰め[縦位置]"),
                                     QStringLiteral("上詰め[縦位置]"),
                                     QStringLiteral("両端揃え[縦位置]"),
                                     QStringLiteral("均等割り付け[縦位置]")};
    return list;
}

const QStringList &numberStyles() {
    static const QStringList list = {QStringLiteral("(1234)[マイナス赤表示]"),
                                     QStringLiteral("(1234)"),
                                     QStringLiteral("1234[マイナス赤表示]"),
                                     QStringLiteral("-1234"),
                                     QStringLiteral("-1234[マイナス赤表示]"),
                                     QStringLiteral("△1234"),
                                     QStringLiteral("▲1234")};
    return list;
}

const QStringList &currencyStyles() {
    static const QStringList list = {QStringLiteral("\\1,234"),
                                     QStringLiteral("\\1,234.0"),
                                     QStringLiteral("\\1,234.00"),
                                     QStringLiteral("\\-1,234[マイナス赤表示]"),
                                     QStringLiteral("\\-1,234.0[マイナス赤表示]"),
                                     QStringLiteral("\\-1,234.00[マイナス赤表示]"),
                                     QStringLiteral("\\1,234[マイナス赤表示]"),
                                     QStringLiteral("\\1,234.0[マイナス赤表示]"),
                                     QStringLiteral("\\1,234.00[マイナス赤表示]"),
                                     QStringLiteral("$1,234.00"),
                                     QStringLiteral("-$1,234.00[マイナス赤表示]"),
                                     QStringLiteral("$1,234.00[マイナス赤表示]"),
                                     QStringLiteral("+ = △\\1,234;- = ▲\\1,234"),
                                     QStringLiteral("+ = △\\1,234.0;- = ▲\\1,234.0"),
                                     QStringLiteral("+ = △\\1,234.00;- = ▲\\1,234.00"),
                                     QStringLiteral("+ = △$1,234.00;- = ▲$1,234.00")};
    return list;
}

const QStringList &dateStyles() {
    static const QStringList list = {QStringLiteral("2004/12/31 11:22"),
                                     QStringLiteral("2004/12/31 11:22:33"),
                                     QStringLiteral("2004/12/31"),
                                     QStringLiteral("平成16年12月31日"),
                                     QStringLiteral("2004年12月31日"),
                                     QStringLiteral("12月31日"),
                                     QStringLiteral("12/31/04"),
                                     QStringLiteral("12-Dec-04"),
                                     QStringLiteral("12-Dec"),
                                     QStringLiteral("Dec-04"),
                                     QStringLiteral("11:22 AM"),
                                     QStringLiteral("11:22:33 AM"),
                                     QStringLiteral("11:22"),
                                     QStringLiteral("11:22:33"),
                                     QStringLiteral("11時22分"),
                                     QStringLiteral("11時22分33秒"),
                                     QStringLiteral("22:33"),
                                     QStringLiteral("22:33.0")};
    return list;
}

const QStringList &percentStyles() {
    static const QStringList list = {QStringLiteral("0%"),      QStringLiteral("0.0%"),
                                     QStringLiteral("0.00%"),   QStringLiteral("0.000%"),
                                     QStringLiteral("0.0000%"), QStringLiteral("0.00000%")};
    return list;
}

const std::vector<int> &paletteOrder() {
    static const std::vector<int> order = {1,  53, 52, 51, 49, 11, 55, 56, 9,  46, 12, 10, 14, 5,
                                           47, 16, 3,  45, 43, 50, 42, 41, 13, 48, 7,  44, 6,  4,
                                           8,  33, 54, 15, 38, 40, 36, 35, 34, 37, 39, 2};
    return order;
}

int paletteColour(int index) {
    static const std::map<int, int> colours = {
        {1, 0x000000},  {3, 0xFF0000},  {4, 0x00FF00},  {5, 0x0000FF},  {6, 0xFFFF00},
        {7, 0xFF00FF},  {8, 0x00FFFF},  {9, 0x800000},  {10, 0x008000}, {11, 0x000080},
        {12, 0x808000}, {13, 0x800080}, {14, 0x008080}, {15, 0xC0C0C0}, {16, 0x808080},
        {33, 0x7BC1D9}, {34, 0xC2E9BC}, {35, 0xD0EAD9}, {36, 0xFEFC96}, {37, 0x94CDE0},
        {38, 0xFE87D8}, {39, 0xC98FC1}, {40, 0xF4C69F}, {41, 0x6060FF}, {42, 0x6AC8C4},
        {43, 0x83C83E}, {44, 0xEACD02}, {45, 0xFF9933}, {46, 0xEB6807}, {47, 0x6D7092},
        {48, 0x97988F}, {49, 0x002855}, {50, 0x009F00}, {51, 0x004040}, {52, 0x47421F},
        {53, 0x994500}, {54, 0x97175A}, {55, 0x3C2F9B}, {56, 0x272727}};
    const auto it = colours.find(index);
    return it == colours.end() ? -1 : it->second;
}

} // namespace kelvoran
