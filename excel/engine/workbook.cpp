#include "workbook.h"

#include <QString>

#include <algorithm>

namespace kelvoran::xlsx {

namespace {

// Upper-cases ASCII and compares; sheet names differing only in letter case clash.
std::u16string foldCase(const std::string &name) {
    return QString::fromStdString(name).toCaseFolded().toStdU16String();
}

} // namespace

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
    m_sheets.insert(m_sheets.begin() + position, std::move(copy));
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
    m_sheets[size_t(index)]->setName(name);
    return Status::ok();
}

void Workbook::appendSheet(std::unique_ptr<Worksheet> sheet) {
    m_sheets.push_back(std::move(sheet));
}

} // namespace kelvoran::xlsx
