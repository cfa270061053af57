#include "excel/engine/formularefs.h"

#include "excel/engine/cellref.h"

#include <cctype>

namespace kelvoran::xlsx {

namespace {

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// The position of the quote that closes the one at `open` (the last position when none does).
size_t closingQuote(std::string_view f, size_t open) {
    const char quote = f[open];
    size_t j = open + 1;
    while (j < f.size()) {
        if (f[j] == quote) {
            if (j + 1 < f.size() && f[j + 1] == quote) {
                j += 2;
                continue;
            }
            break;
        }
        ++j;
    }
    return j;
}

} // namespace

std::string rewriteReferences(std::string_view f, const std::function<bool(FormulaRef &)> &change) {
    std::string out;
    out.reserve(f.size() + 8);
    size_t i = 0;
    while (i < f.size()) {
        const char c = f[i];
        // A string literal or a quoted sheet name is copied as it stands; a doubled quote
        // character inside escapes itself.
        if (c == '"' || c == '\'') {
            const size_t j = closingQuote(f, i);
            out.append(f.substr(i, j + 1 - i));
            i = j + 1;
            continue;
        }
        if (c == '$' || std::isalpha(static_cast<unsigned char>(c))) {
            const bool startOk = i == 0 || !isNameChar(f[i - 1]);
            // Scan a name-like token.
            size_t j = i;
            while (j < f.size() && (isNameChar(f[j]) || f[j] == '$'))
                ++j;
            const std::string_view token = f.substr(i, j - i);
            const bool isCall = j < f.size() && f[j] == '(';
            const bool isSheet = j < f.size() && f[j] == '!';
            FormulaRef ref;
            size_t k = 0;
            if (startOk && !isCall && !isSheet) {
                if (k < token.size() && token[k] == '$') {
                    ref.columnAbsolute = true;
                    ++k;
                }
                const size_t ls = k;
                while (k < token.size() && std::isalpha(static_cast<unsigned char>(token[k])))
                    ++k;
                const std::string_view letters = token.substr(ls, k - ls);
                if (k < token.size() && token[k] == '$') {
                    ref.rowAbsolute = true;
                    ++k;
                }
                const size_t ds = k;
                long row = 0;
                while (k < token.size() && std::isdigit(static_cast<unsigned char>(token[k])) &&
                       row <= kMaxRows) {
                    row = row * 10 + (token[k] - '0');
                    ++k;
                }
                ref.column = columnNumber(letters);
                if (k == token.size() && k > ds && ref.column > 0 && row >= 1 && row <= kMaxRows) {
                    ref.row = int(row);
                    ref.qualified = i > 0 && f[i - 1] == '!';
                    if (!change(ref) || ref.row < 1 || ref.row > kMaxRows || ref.column < 1 ||
                        ref.column > kMaxColumns) {
                        out += "#REF!";
                    } else {
                        if (ref.columnAbsolute)
                            out += '$';
                        out += columnLetters(ref.column);
                        if (ref.rowAbsolute)
                            out += '$';
                        out += std::to_string(ref.row);
                    }
                    i = j;
                    continue;
                }
            }
            out.append(token);
            i = j;
            continue;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) { // numbers stay as they are
            size_t j = i;
            while (j < f.size() && (isNameChar(f[j])))
                ++j;
            out.append(f.substr(i, j - i));
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

std::string shiftFormula(std::string_view formula, int rows, int columns) {
    if (rows == 0 && columns == 0)
        return std::string(formula);
    return rewriteReferences(formula, [&](FormulaRef &r) {
        if (!r.rowAbsolute)
            r.row += rows;
        if (!r.columnAbsolute)
            r.column += columns;
        return true;
    });
}

} // namespace kelvoran::xlsx
