#include "templateformat.h"

#include "excelrange.h"
#include "formatcode.h"

#include <iterator>

namespace kelvoran {

namespace {

QString fromTable(const char *const *table, int size, int index) {
    if (index == -1)
        index = 0;
    if (index < 0 || index >= size)
        return QString();
    return QString::fromUtf8(table[index]);
}

// A parameter field read as a whole number; nothing when it is not one.
std::optional<int> number(const QString &field) {
    bool ok = false;
    const int v = field.trimmed().toInt(&ok);
    return ok ? std::optional<int>(v) : std::nullopt;
}

} // namespace

QString dateFormatCode(int index) {
    static const char *const kTable[] = {"yyyy/m/d h:mm",
                                         "yyyy/m/d h:mm:ss",
                                         "yyyy/m/d",
                                         "ggge\"年\"m\"月\"d\"日\"",
                                         "yyyy\"年\"m\"月\"d\"日\"",
                                         "m\"月\"d\"日\"",
                                         "m/d/yy",
                                         "d-mmm-yy",
                                         "d-mmm",
                                         "mmm-yy",
                                         "h:mm AM/PM",
                                         "h:mm:ss AM/PM",
                                         "h:mm",
                                         "h:mm:ss",
                                         "h\"時\"mm\"分\"",
                                         "h\"時\"mm\"分\"ss\"秒\"",
                                         "mm:ss",
                                         "mm:ss.0"};
    return fromTable(kTable, int(std::size(kTable)), index);
}

QString currencyFormatCode(int index) {
    static const char *const kTable[] = {"\\#,###",
                                         "\\#,###.0",
                                         "\\#,###.00",
                                         "\\#,###;[赤]\\-#,###",
                                         "\\#,###.0;[赤]\\-#,###.0",
                                         "\\#,###.00;[赤]\\-#,###.00",
                                         "\\#,###;[赤]\\#,###",
                                         "\\#,###.0;[赤]\\#,###.0",
                                         "\\#,###.00;[赤]\\#,###.00",
                                         "$#,###.00",
                                         "$#,###.00;[赤]-$#,###.00",
                                         "$#,###.00;[赤]$#,###.00",
                                         "\"△\" \\#,###;\"▲\" \\#,###",
                                         "\"△\" \\#,###.0;\"▲\" \\#,###.0",
                                         "\"△\" \\#,###.00;\"▲\" \\#,###.00",
                                         "\"△\" $#,###.00;\"▲\" $#,###.00"};
    return fromTable(kTable, int(std::size(kTable)), index);
}

QString percentFormatCode(int index) {
    static const char *const kTable[] = {"0%", "0.0%", "0.00%", "0.000%", "0.0000%", "0.00000%"};
    return fromTable(kTable, int(std::size(kTable)), index);
}

QString numberFormatCode(int index) {
    static const char *const kTable[] = {"0_);[赤](0)", "0_);(0)",   "0;[赤]0",  "0_ ",
                                         "0_ ;[赤]-0",  "0;\"△ \"0", "0;\"▲ \"0"};
    return fromTable(kTable, int(std::size(kTable)), index);
}

Status applyTemplateCellFormats(const ExcelRange &range, const QString &codes) {
    for (const ParsedFormat &f : parseFormatCodes(codes)) {
        const std::optional<int> p1 = number(f.param1);
        QString format;
        switch (f.kind) {
        case 1: {
            // The padding character repeated "count" times, as typed in the local dialog.
            const std::optional<int> count = number(f.param2);
            const QString pad = f.param1.trimmed();
            if (count && *count > 0 && *count <= 255 && !pad.isEmpty())
                range.setNumberFormatLocal(pad.repeated(*count));
            break;
        }
        case 2:
            if (Status s = range.setHorizontalAlignment(xl::HAlignCenter); !s)
                return s;
            break;
        case 3:
            if (Status s = range.setHorizontalAlignment(xl::HAlignLeft); !s)
                return s;
            break;
        case 4:
            if (Status s = range.setHorizontalAlignment(xl::HAlignRight); !s)
                return s;
            break;
        case 5:
            if (p1)
                range.setFontSize(*p1);
            break;
        case 7:
            format = p1 ? dateFormatCode(*p1) : QString();
            break;
        case 8:
            format = p1 ? currencyFormatCode(*p1) : QString();
            break;
        case 9:
            format = p1 ? percentFormatCode(*p1) : QString();
            break;
        case 10:
            format = p1 ? numberFormatCode(*p1) : QString();
            break;
        case 11: {
            static const int kHorizontal[] = {xl::HAlignCenter,     xl::HAlignGeneral,
                                              xl::HAlignLeft,       xl::HAlignCenter,
                                              xl::HAlignRight,      xl::HAlignFill,
                                              xl::HAlignJustify,    xl::HAlignCenterAcrossSelection,
                                              xl::HAlignDistributed}; // parameters -1 .. 7
            static const int kVertical[] = {xl::VAlignBottom, xl::VAlignCenter, xl::VAlignTop,
                                            xl::VAlignJustify,
                                            xl::VAlignDistributed}; // parameters 8 .. 12
            if (!p1)
                break;
            if (*p1 >= -1 && *p1 <= 7) {
                if (Status s = range.setHorizontalAlignment(kHorizontal[*p1 + 1]); !s)
                    return s;
            } else if (*p1 >= 8 && *p1 <= 12) {
                if (Status s = range.setVerticalAlignment(kVertical[*p1 - 8]); !s)
                    return s;
            }
            break;
        }
        case 202:
            range.setWrapText(true);
            range.setShrinkToFit(false);
            break;
        case 203:
            range.setShrinkToFit(true);
            range.setWrapText(false);
            break;
        default: // 006, 101-106, 201 and unknown kinds: nothing on a template cell
            break;
        }
        if (!format.isEmpty())
            range.setNumberFormat(format);
    }
    return Status::ok();
}

} // namespace kelvoran
