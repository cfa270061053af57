#include "excel/formatapply.h"

#include "report/formatcode.h"

#include <QStringList>

namespace kelvoran {

namespace {

QString pick(const QStringList &table, int index) {
    // -1 and 0 both give the first entry.
    if (index == -1)
        index = 0;
    return index >= 0 && index < table.size() ? table.at(index) : QString();
}

// Parameter text as a whole number; nothing when it is not one.
std::optional<int> number(const QString &param) {
    bool ok = false;
    const int v = param.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

struct Alignment {
    bool horizontal;
    int constant;
};

std::optional<Alignment> alignment(int index) {
    static const Alignment table[] = {{true, xl::HAlignGeneral},
                                      {true, xl::HAlignLeft},
                                      {true, xl::HAlignCenter},
                                      {true, xl::HAlignRight},
                                      {true, xl::HAlignFill},
                                      {true, xl::HAlignJustify},
                                      {true, xl::HAlignCenterAcrossSelection},
                                      {true, xl::HAlignDistributed},
                                      {false, xl::VAlignBottom},
                                      {false, xl::VAlignCenter},
                                      {false, xl::VAlignTop},
                                      {false, xl::VAlignJustify},
                                      {false, xl::VAlignDistributed}};
    if (index == -1)
        return Alignment{true, xl::HAlignCenter};
    if (index < 0 || index >= int(sizeof table / sizeof table[0]))
        return std::nullopt;
    return table[index];
}

bool actsInPass2(int kind) {
    return (kind >= 1 && kind <= 11 && kind != 6) || (kind >= 201 && kind <= 203);
}

} // namespace

QString dateFormat(int index) {
    static const QStringList t{QStringLiteral("yyyy/m/d h:mm"),
                               QStringLiteral("yyyy/m/d h:mm:ss"),
                               QStringLiteral("yyyy/m/d"),
                               QStringLiteral("ggge\"年\"m\"月\"d\"日\""),
                               QStringLiteral("yyyy\"年\"m\"月\"d\"日\""),
                               QStringLiteral("m\"月\"d\"日\""),
                               QStringLiteral("m/d/yy"),
                               QStringLiteral("d-mmm-yy"),
                               QStringLiteral("d-mmm"),
                               QStringLiteral("mmm-yy"),
                               QStringLiteral("h:mm AM/PM"),
                               QStringLiteral("h:mm:ss AM/PM"),
                               QStringLiteral("h:mm"),
                               QStringLiteral("h:mm:ss"),
                               QStringLiteral("h\"時\"mm\"分\""),
                               QStringLiteral("h\"時\"mm\"分\"ss\"秒\""),
                               QStringLiteral("mm:ss"),
                               QStringLiteral("mm:ss.0")};
    return pick(t, index);
}

QString currencyFormat(int index) {
    static const QStringList t{QStringLiteral("\\#,###"),
                               QStringLiteral("\\#,###.0"),
                               QStringLiteral("\\#,###.00"),
                               QStringLiteral("\\#,###;[赤]\\-#,###"),
                               QStringLiteral("\\#,###.0;[赤]\\-#,###.0"),
                               QStringLiteral("\\#,###.00;[赤]\\-#,###.00"),
                               QStringLiteral("\\#,###;[赤]\\#,###"),
                               QStringLiteral("\\#,###.0;[赤]\\#,###.0"),
                               QStringLiteral("\\#,###.00;[赤]\\#,###.00"),
                               QStringLiteral("$#,###.00"),
                               QStringLiteral("$#,###.00;[赤]-$#,###.00"),
                               QStringLiteral("$#,###.00;[赤]$#,###.00"),
                               QStringLiteral("\"△\" \\#,###;\"▲\" \\#,###"),
                               QStringLiteral("\"△\" \\#,###.0;\"▲\" \\#,###.0"),
                               QStringLiteral("\"△\" \\#,###.00;\"▲\" \\#,###.00"),
                               QStringLiteral("\"△\" $#,###.00;\"▲\" $#,###.00")};
    return pick(t, index);
}

QString percentFormat(int index) {
    static const QStringList t{QStringLiteral("0%"),      QStringLiteral("0.0%"),
                               QStringLiteral("0.00%"),   QStringLiteral("0.000%"),
                               QStringLiteral("0.0000%"), QStringLiteral("0.00000%")};
    return pick(t, index);
}

QString numberStyleFormat(int index) {
    static const QStringList t{QStringLiteral("0_);[赤](0)"), QStringLiteral("0_);(0)"),
                               QStringLiteral("0;[赤]0"),     QStringLiteral("0_ "),
                               QStringLiteral("0_ ;[赤]-0"),  QStringLiteral("0;\"△ \"0"),
                               QStringLiteral("0;\"▲ \"0")};
    return pick(t, index);
}

std::optional<int> autoFormatConstant(int index) {
    static const int t[] = {-4142, 42, 13, 14, 4,  5,  6,  17, 1,  2,  3,
                            31,    7,  8,  9,  10, 11, 12, 15, 16, 19, 20};
    if (index < 1 || index > int(sizeof t / sizeof t[0]))
        return std::nullopt;
    return t[index - 1];
}

Status applyFormatCodes(const ExcelRange &range, const QString &codes, FormatSweep sweep,
                        const ExcelRange &autoFitColumns) {
    if (sweep == FormatSweep::Pass1)
        return Status::ok();
    const bool pass2Codes = sweep == FormatSweep::Pass2 || sweep == FormatSweep::HeaderRow ||
                            sweep == FormatSweep::TotalColumn;
    const bool textCode = sweep == FormatSweep::BeforeData || sweep == FormatSweep::HeaderRow ||
                          sweep == FormatSweep::TotalColumn;
    for (const ParsedFormat &f : parseFormatCodes(codes)) {
        if (f.kind == 6) {
            if (textCode)
                range.setNumberFormat(QStringLiteral("@"));
            continue;
        }
        if (!pass2Codes || !actsInPass2(f.kind))
            continue;
        const std::optional<int> p1 = number(f.param1);
        Status st;
        switch (f.kind) {
        case 1: {
            // The padding character repeated "count" times, as typed in a local dialog.
            const QString ch = f.param1.left(1);
            const std::optional<int> count = number(f.param2);
            if (count && *count > 0 && !ch.isEmpty())
                range.setNumberFormatLocal(ch.repeated(*count));
            break;
        }
        case 2:
            st = range.setHorizontalAlignment(xl::HAlignCenter);
            break;
        case 3:
            st = range.setHorizontalAlignment(xl::HAlignLeft);
            break;
        case 4:
            st = range.setHorizontalAlignment(xl::HAlignRight);
            break;
        case 5:
            if (p1 && *p1 > 0)
                range.setFontSize(*p1);
            break;
        case 7:
        case 8:
        case 9:
        case 10: {
            if (!p1)
                break;
            const QString fmt = f.kind == 7   ? dateFormat(*p1)
                                : f.kind == 8 ? currencyFormat(*p1)
                                : f.kind == 9 ? percentFormat(*p1)
                                              : numberStyleFormat(*p1);
            // An index outside the table leaves the cells' format as it is.
            if (!fmt.isEmpty())
                range.setNumberFormat(fmt);
            break;
        }
        case 11:
            if (p1) {
                if (const auto a = alignment(*p1))
                    st = a->horizontal ? range.setHorizontalAlignment(a->constant)
                                       : range.setVerticalAlignment(a->constant);
            }
            break;
        case 201:
            if (autoFitColumns.isValid())
                autoFitColumns.autoFit();
            break;
        case 202:
            range.setWrapText(true);
            range.setShrinkToFit(false);
            break;
        case 203:
            range.setShrinkToFit(true);
            range.setWrapText(false);
            break;
        default:
            break;
        }
        if (!st)
            return st;
    }
    return Status::ok();
}

} // namespace kelvoran
