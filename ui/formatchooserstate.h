// The format chooser (TExcelFormatForm) without its widgets: which inputs a kind shows, with
// their captions, limits and first values, and what is missing when "決定" is pressed.
#pragma once

#include "report/formatcode.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kelvoran {

// The inputs a kind shows.
struct FormatChooserInputs {
    bool param1 = false;                 // Param1: padding character or font size
    QString param1Caption;               // "パディング文字", "フォントサイズ"
    int param1MaxLength = 0;             // 1 for the padding character, 3 for the font size
    QString param1Initial;               // "0", "10"
    bool param2 = false;                 // Param2: padding count or key column
    QString param2Caption;               // "パディング数", "キー項目名(物理項目名)"
    const QStringList *styles = nullptr; // the style list replacing the inputs, or none
    QString styleCaption;                // "文字列の位置", "数値", "通貨表示" ...
    bool rowColour = false;              // the colour sample and "行色" (group total or average)
};

// The inputs of a kind.
FormatChooserInputs formatChooserInputs(const FormatKind &kind);

// Which input a problem concerns, so the window can put the focus there.
enum class FormatChoiceInput { Param1, Param2 };

// Why "決定" cannot add the choice, in the window's own words.
struct FormatChoiceProblem {
    FormatChoiceInput input;
    QString text;
};

// What is missing or wrong in a choice before it can be added: a padding character or count
// (digits, at most 3), a font size (digits, at most 3) or a key column name. Nothing when the
// choice is complete.
std::optional<FormatChoiceProblem> formatChoiceProblem(const FormatChoice &choice);

} // namespace kelvoran
