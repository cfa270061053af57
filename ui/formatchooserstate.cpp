#include "ui/formatchooserstate.h"

namespace kelvoran {

namespace {

bool isCount(const QString &text) {
    if (text.isEmpty() || text.size() > 3)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

} // namespace

FormatChooserInputs formatChooserInputs(const FormatKind &kind) {
    FormatChooserInputs in;
    switch (kind.param) {
    case FormatParam::None:
        break;
    case FormatParam::ZeroPadding:
        in.param1 = true;
        in.param1Caption = QStringLiteral("パディング文字");
        in.param1MaxLength = 1;
        in.param1Initial = QStringLiteral("0");
        in.param2 = true;
        in.param2Caption = QStringLiteral("パディング数");
        break;
    case FormatParam::FontSize:
        in.param1 = true;
        in.param1Caption = QStringLiteral("フォントサイズ");
        in.param1MaxLength = 3;
        in.param1Initial = QStringLiteral("10");
        break;
    case FormatParam::Alignment:
        in.styles = &alignmentStyles();
        in.styleCaption = QStringLiteral("文字列の位置");
        break;
    case FormatParam::Number:
        in.styles = &numberStyles();
        in.styleCaption = QStringLiteral("数値");
        break;
    case FormatParam::Currency:
        in.styles = &currencyStyles();
        in.styleCaption = QStringLiteral("通貨表示");
        break;
    case FormatParam::Date:
        in.styles = &dateStyles();
        in.styleCaption = QStringLiteral("日付表示");
        break;
    case FormatParam::Percent:
        in.styles = &percentStyles();
        in.styleCaption = QStringLiteral("パーセンテージ");
        break;
    case FormatParam::GroupColour:
        in.param2 = true;
        in.param2Caption = QStringLiteral("キー項目名(物理項目名)");
        in.rowColour = true;
        break;
    }
    return in;
}

std::optional<FormatChoiceProblem> formatChoiceProblem(const FormatChoice &choice) {
    const std::optional<FormatKind> kind = FormatCode::kind(choice.kind);
    if (!kind)
        return std::nullopt;
    switch (kind->param) {
    case FormatParam::ZeroPadding:
        if (choice.padCharacter.size() != 1)
            return FormatChoiceProblem{FormatChoiceInput::Param1,
                                       QStringLiteral("パディング文字を1文字入力してください。")};
        if (!isCount(choice.padCount.trimmed()))
            return FormatChoiceProblem{
                FormatChoiceInput::Param2,
                QStringLiteral("パディング数を3桁までの数字で入力してください。")};
        break;
    case FormatParam::FontSize:
        if (!isCount(choice.fontSize.trimmed()))
            return FormatChoiceProblem{
                FormatChoiceInput::Param1,
                QStringLiteral("フォントサイズを3桁までの数字で入力してください。")};
        break;
    case FormatParam::GroupColour:
        if (choice.keyName.trimmed().isEmpty())
            return FormatChoiceProblem{
                FormatChoiceInput::Param2,
                QStringLiteral("キー項目名(物理項目名)を入力してください。")};
        break;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace kelvoran
