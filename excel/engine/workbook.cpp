#include "excel/engine/workbook.h"

#include "excel/engine/sheetcopynames.h"

#include <QString>

#include <algorithm>
#include <cctype>

namespace kelvoran::xlsx {

namespace {

// Upper-cases ASCII and compares; sheet names differing only in letter case clash.
std::u16string foldCase(const std::string &name) {
    return QString::fromStdString(name).toCaseFolded().toStdU16String();
}

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// Points the references of a sheet's own names and formulas at its new name.
void retarget(Workbook &book, Worksheet &sheet, const std::string &oldName, bool everywhere) {
    if (oldName == sheet.name())
        return;
    const std::string newName = sheet.name();
    auto rewrite = [&](const std::string &t) { return renameSheetReferences(t, oldName, newName); };
    for (int i = 0; i < book.sheetCount(); ++i) {
        Worksheet &ws = book.sheet(i);
        if (!everywhere && &ws != &sheet)
            continue;
        for (LocalName &n : ws.localNames)
            n.value = rewrite(n.value);
        ws.rewriteFormulas(rewrite);
    }
    if (everywhere)
        for (DefinedName &n : book.definedNames)
            n.value = rewrite(n.value);
}

} // namespace

std::string renameSheetReferences(const std::string &text, const std::string &oldName,
                                  const std::string &newName) {
    if (text.find(oldName) == std::string::npos &&
        text.find(quotedSheetName(oldName)) == std::string::npos)
        return text;
    const std::string q = quotedSheetName(oldName) + "!";
    const std::string bare = oldName + "!";
    std::string out;
    bool inString = false;
    for (size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"') {
            inString = !inString;
            out += c;
            ++i;
            continue;
        }
        if (!inString && text.compare(i, q.size(), q) == 0) {
            out += quotedSheetName(newName) + "!";
            i += q.size();
            continue;
        }
        if (!inString && (i == 0 || (!isNameChar(text[i - 1]) && text[i - 1] != '\'')) &&
            text.compare(i, bare.size(), bare) == 0) {
            out += quotedSheetName(newName) + "!";
            i += bare.size();
            continue;
        }
        if (!inString && c == '\'') { // another quoted sheet name: copy it whole
            size_t j = i + 1;
            while (j < text.size()) {
                if (text[j] == '\'') {
                    if (j + 1 < text.size() && text[j + 1] == '\'') {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out.append(text, i, j + 1 - i);
            i = j + 1;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

Workbook::Workbook() = default;
Workbook::~Workbook() = default;

int Workbook::indexOf(const Worksheet *sheet) const {
    for (size_t i = 0; i < m_sheets.size(); ++i)
        if (m_sheets[i].get() == sheet)
            return int(i);
    return -1;
}

int Workbook::indexOfName(const std::string &name) const {
    const std::u16string folded = foldCase(name);
    for (size_t i = 0; i < m_sheets.size(); ++i)
        if (foldCase(m_sheets[i]->name()) == folded)
            return int(i);
    return -1;
}

Status Workbook::checkSheetName(const std::string &name, int self) const {
    const QString q = QString::fromStdString(name);
    if (q.isEmpty())
        return Error{QStringLiteral("シート名が空です。"), {}};
    if (q.size() > 31)
        return Error{QStringLiteral("シート名は31文字以内にしてください。：") + q, {}};
    for (QChar c : q)
        if (QStringLiteral("[]:*?/\\").contains(c))
            return Error{
                QStringLiteral("シート名に使用できない文字（[ ] : * ? / \\）が含まれています。：") +
                    q,
                {}};
    if (q.startsWith(u'\'') || q.endsWith(u'\''))
        return Error{QStringLiteral("シート名の先頭と末尾にアポストロフィは使用できません。：") + q,
                     {}};
    if (q.compare(QStringLiteral("History"), Qt::CaseInsensitive) == 0)
        return Error{QStringLiteral("シート名「History」は予約されています。"), {}};
    const int existing = indexOfName(name);
    if (existing >= 0 && existing != self)
        return Error{QStringLiteral("同じ名前のシートが既にあります。：") + q, {}};
    return Status::ok();
}

Worksheet &Workbook::insertSheet(int position) {
    position = std::clamp(position, 0, sheetCount());
    int n = sheetCount() + 1;
    std::string name;
    for (;; ++n) {
        name = "Sheet" + std::to_string(n);
        if (indexOfName(name) < 0)
            break;
    }
    m_sheets.insert(m_sheets.begin() + position, std::make_unique<Worksheet>(this, name));
    return *m_sheets[size_t(position)];
}

Worksheet &Workbook::insertCopy(const Worksheet &source, int position) {
    position = std::clamp(position, 0, sheetCount());
    std::string name = source.name();
    if (indexOfName(name) >= 0) {
        // "Name (2)", shortened so that the result stays within 31 characters.
        const QString base = QString::fromStdString(source.name());
        for (int n = 2;; ++n) {
            const QString suffix = QStringLiteral(" (%1)").arg(n);
            const QString candidate = base.left(31 - suffix.size()) + suffix;
            name = candidate.toStdString();
            if (indexOfName(name) < 0)
                break;
        }
    }
    std::unique_ptr<Worksheet> copy = source.cloneFor(*this, name);
    copy->tabSelected = false;
    if (!source.pivotTables.empty()) {
        // The copy keeps the table's cells as plain values.
        const std::string text = "シート「" + source.name() +
                                 "」のピボットテーブルはコピーに引き継がれません（値のみ）。";
        if (std::find(notices.begin(), notices.end(), text) == notices.end())
            notices.push_back(text);
    }
    m_sheets.insert(m_sheets.begin() + position, std::move(copy));
    retarget(*this, *m_sheets[size_t(position)], source.name(), false);
    carryDefinedNames(source, *m_sheets[size_t(position)]);
    if (&source.book() != this) {
        const Workbook &from = source.book();
        if (themeXml.empty())
            themeXml = from.themeXml;
        if (styles().colorsXml.empty())
            styles().colorsXml = from.styles().colorsXml;
    }
    return *m_sheets[size_t(position)];
}

Status Workbook::removeSheet(int index) {
    if (index < 0 || index >= sheetCount())
        return Error{QStringLiteral("シート番号が範囲外です。：%1").arg(index + 1), {}};
    if (sheetCount() == 1)
        return Error{QStringLiteral("ブックには少なくとも1つのシートが必要です。"), {}};
    m_sheets.erase(m_sheets.begin() + index);
    for (auto it = definedNames.begin(); it != definedNames.end();) {
        if (it->localSheet == index) {
            it = definedNames.erase(it);
            continue;
        }
        if (it->localSheet > index)
            --it->localSheet;
        ++it;
    }
    if (activeSheet >= sheetCount())
        activeSheet = sheetCount() - 1;
    return Status::ok();
}

Status Workbook::renameSheet(int index, const std::string &name) {
    if (index < 0 || index >= sheetCount())
        return Error{QStringLiteral("シート番号が範囲外です。：%1").arg(index + 1), {}};
    if (Status s = checkSheetName(name, index); !s)
        return s;
    const std::string old = m_sheets[size_t(index)]->name();
    m_sheets[size_t(index)]->setName(name);
    retarget(*this, *m_sheets[size_t(index)], old, true);
    return Status::ok();
}

void Workbook::appendSheet(std::unique_ptr<Worksheet> sheet) {
    m_sheets.push_back(std::move(sheet));
}

} // namespace kelvoran::xlsx
