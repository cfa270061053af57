#include "excel/excelsession.h"

#include "excel/engine/agileencryption.h"
#include "excel/engine/formularecalc.h"
#include "excel/engine/modifypassword.h"
#include "excel/engine/packagereader.h"
#include "excel/engine/packagewriter.h"
#include "excel/engine/workbook.h"

#include <QFileInfo>

namespace kelvoran {

using namespace xlsx;

struct ExcelSession::Book {
    std::unique_ptr<Workbook> workbook;
    QString name;
    bool readOnly = false;
};

namespace {

Error noBook(int book) {
    return Error{QStringLiteral("ブック番号が範囲外です。：%1").arg(book), {}};
}

Error noSheet(int index) {
    return Error{QStringLiteral("シート番号が範囲外です。：%1").arg(index), {}};
}

} // namespace

// ExcelSheet

QString ExcelSheet::name() const {
    return m_sheet ? QString::fromStdString(m_sheet->name()) : QString();
}

Status ExcelSheet::setName(const QString &name) const {
    if (!m_sheet)
        return noSheet(0);
    Workbook &book = m_sheet->book();
    return book.renameSheet(book.indexOf(m_sheet), name.toStdString());
}

ExcelRange ExcelSheet::cells(int row, int column) const {
    row = std::clamp(row, 1, kMaxRows);
    column = std::clamp(column, 1, kMaxColumns);
    return ExcelRange(m_sheet, {row, column, row, column});
}

Result<ExcelRange> ExcelSheet::range(const QString &a1) const {
    CellRect rect;
    if (!m_sheet || !parseRect(a1.trimmed().toStdString(), rect))
        return Error{QStringLiteral("セル範囲の指定が正しくありません。：") + a1, {}};
    return ExcelRange(m_sheet, rect);
}

ExcelRange ExcelSheet::range(const ExcelRange &a, const ExcelRange &b) const {
    const CellRect &x = a.rect(), &y = b.rect();
    return ExcelRange(m_sheet, {std::min(x.top, y.top), std::min(x.left, y.left),
                                std::max(x.bottom, y.bottom), std::max(x.right, y.right)});
}

Status ExcelSheet::setPrintArea(const QString &a1) const {
    if (!m_sheet)
        return noSheet(0);
    if (a1.trimmed().isEmpty()) {
        m_sheet->printArea.clear();
        return Status::ok();
    }
    CellRect r;
    if (!parseRect(a1.trimmed().toStdString(), r))
        return Error{QStringLiteral("印刷範囲の指定が正しくありません。：") + a1, {}};
    m_sheet->printArea = "$" + columnLetters(r.left) + "$" + std::to_string(r.top) + ":$" +
                         columnLetters(r.right) + "$" + std::to_string(r.bottom);
    return Status::ok();
}

QString ExcelSheet::printArea() const {
    if (!m_sheet)
        return QString();
    return QString::fromStdString(m_sheet->printArea);
}

void ExcelSheet::addPageBreakBefore(int row) const {
    if (m_sheet && row > 1 && row <= kMaxRows)
        m_sheet->rowBreaks.push_back(row - 1);
}

void ExcelSheet::freezePanes(int row, int column) const {
    if (!m_sheet)
        return;
    m_sheet->frozenRows = std::clamp(row, 1, kMaxRows) - 1;
    m_sheet->frozenColumns = std::clamp(column, 1, kMaxColumns) - 1;
}

int ExcelSheet::frozenRows() const {
    return m_sheet ? m_sheet->frozenRows : 0;
}
int ExcelSheet::frozenColumns() const {
    return m_sheet ? m_sheet->frozenColumns : 0;
}
int ExcelSheet::lastRow() const {
    return m_sheet ? m_sheet->lastRow() : 0;
}

// ExcelSession

ExcelSession::ExcelSession() {
    // The encryption layer of the engine; tests and callers may replace the hooks.
    m_encrypt = [](const std::string &package, const QString &password) -> Result<std::string> {
        Result<QByteArray> r = encryptPackage(QByteArray::fromStdString(package), password);
        if (!r)
            return r.error();
        return r.value().toStdString();
    };
    m_decrypt = [](const std::string &file, const QString &password) -> Result<std::string> {
        Result<QByteArray> r = decryptPackage(QByteArray::fromStdString(file), password);
        if (!r)
            return r.error();
        return r.value().toStdString();
    };
    m_hashModify = [](FileSharing &entry, const QString &password) {
        Result<FileSharingHash> h = makeModifyPasswordHash(password, QString());
        if (!h)
            return;
        entry.algorithmName = h->algorithmName.toStdString();
        entry.hashValue = h->hashValue.toStdString();
        entry.saltValue = h->saltValue.toStdString();
        entry.spinCount = h->spinCount;
    };
}
ExcelSession::~ExcelSession() = default;

ExcelSession::Book *ExcelSession::bookAt(int book) const {
    return book >= 1 && book <= int(m_books.size()) ? m_books[size_t(book - 1)].get() : nullptr;
}

int ExcelSession::workbookCount() const {
    return int(m_books.size());
}

int ExcelSession::addWorkbook() {
    auto b = std::make_unique<Book>();
    b->workbook = std::make_unique<Workbook>();
    b->workbook->insertSheet(0);
    b->name = QStringLiteral("Book%1").arg(m_nextNumber++);
    m_books.push_back(std::move(b));
    m_active = int(m_books.size());
    return m_active;
}

Result<int> ExcelSession::openTemplate(const QString &path, const QString &readPassword) {
    Result<std::string> bytes = readFileBytes(path.toStdString());
    if (!bytes)
        return bytes.error();
    std::string data = std::move(bytes).value();
    if (isCompoundFile(data)) {
        if (!isEncryptedPackage(QByteArray::fromStdString(data)))
            return Error{QStringLiteral("旧形式（.xls）のブックはテンプレートとして読み込めません。"
                                        ".xlsx 形式で保存し直してください。：") +
                             path,
                         {}};
        if (!m_decrypt)
            return Error{QStringLiteral("パスワード付きのブックを開く機能がありません。：") + path,
                         {}};
        Result<std::string> plain = m_decrypt(data, readPassword);
        if (!plain)
            return Error{plain.error().message + QStringLiteral("：") + path, {}};
        data = std::move(plain).value();
    }
    Result<std::unique_ptr<Workbook>> read = readWorkbook(std::move(data));
    if (!read)
        return Error{read.error().message + QStringLiteral("（") + path + QStringLiteral("）"), {}};
    auto b = std::make_unique<Book>();
    b->workbook = std::move(read).value();
    b->name = QFileInfo(path).fileName();
    b->readOnly = true;
    m_books.push_back(std::move(b));
    return int(m_books.size());
}

QString ExcelSession::workbookName(int book) const {
    const Book *b = bookAt(book);
    return b ? b->name : QString();
}

int ExcelSession::activeWorkbook() const {
    return m_active;
}

void ExcelSession::activateWorkbook(int book) {
    if (bookAt(book))
        m_active = book;
}

QStringList ExcelSession::notices(int book) const {
    QStringList out;
    if (const Book *b = bookAt(book))
        for (const std::string &n : b->workbook->notices)
            out << QString::fromStdString(n);
    return out;
}

void ExcelSession::closeWorkbook(int book) {
    if (!bookAt(book))
        return;
    m_books.erase(m_books.begin() + (book - 1));
    if (m_active == book)
        m_active = m_books.empty() ? 0 : int(m_books.size());
    else if (m_active > book)
        --m_active;
}

void ExcelSession::closeAll() {
    m_books.clear();
    m_active = 0;
}

int ExcelSession::sheetCount(int book) const {
    const Book *b = bookAt(book);
    return b ? b->workbook->sheetCount() : 0;
}

ExcelSheet ExcelSession::sheet(int book, int index) const {
    const Book *b = bookAt(book);
    if (!b || index < 1 || index > b->workbook->sheetCount())
        return ExcelSheet();
    return ExcelSheet(&b->workbook->sheet(index - 1));
}

Result<ExcelSheet> ExcelSession::addSheetAfter(int book, int after) {
    Book *b = bookAt(book);
    if (!b)
        return noBook(book);
    if (after < 0 || after > b->workbook->sheetCount())
        return noSheet(after);
    return ExcelSheet(&b->workbook->insertSheet(after));
}

Result<ExcelSheet> ExcelSession::copySheetAfter(int fromBook, int fromSheet, int book, int after) {
    Book *from = bookAt(fromBook);
    Book *to = bookAt(book);
    if (!from)
        return noBook(fromBook);
    if (!to)
        return noBook(book);
    if (fromSheet < 1 || fromSheet > from->workbook->sheetCount())
        return noSheet(fromSheet);
    if (after < 0 || after > to->workbook->sheetCount())
        return noSheet(after);
    const Worksheet &source = from->workbook->sheet(fromSheet - 1);
    Worksheet &copy = to->workbook->insertCopy(source, after);
    if (from != to)
        for (const std::string &n : from->workbook->notices)
            if (std::find(to->workbook->notices.begin(), to->workbook->notices.end(), n) ==
                to->workbook->notices.end())
                to->workbook->notices.push_back(n);
    return ExcelSheet(&copy);
}

Status ExcelSession::deleteSheet(int book, int index) {
    Book *b = bookAt(book);
    if (!b)
        return noBook(book);
    return b->workbook->removeSheet(index - 1);
}

Status ExcelSession::activateSheet(int book, int index) {
    Book *b = bookAt(book);
    if (!b)
        return noBook(book);
    if (index < 1 || index > b->workbook->sheetCount())
        return noSheet(index);
    b->workbook->activeSheet = index - 1;
    return Status::ok();
}

int ExcelSession::activeSheet(int book) const {
    const Book *b = bookAt(book);
    return b ? b->workbook->activeSheet + 1 : 0;
}

namespace {

// The numbers a range holds, as SUM, AVERAGE and COUNT see them: number cells and formulas whose
// cached result is a number.
struct RangeNumbers {
    double total = 0;
    long count = 0;
};

RangeNumbers numbersIn(const ExcelRange &range) {
    RangeNumbers n;
    if (!range.isValid())
        return n;
    const Worksheet &ws = *range.sheet();
    const CellRect &rect = range.rect();
    const int last = std::min(rect.bottom, ws.lastRow());
    for (int row = rect.top; row <= last; ++row)
        for (const Cell &c : ws.row(row)->cells) {
            if (c.column < rect.left || c.column > rect.right)
                continue;
            if (c.type == CellType::Number) {
                n.total += c.number;
                ++n.count;
            } else if (c.type == CellType::Formula &&
                       ws.formula(c).cachedType == CellType::Number) {
                n.total += ws.formula(c).number;
                ++n.count;
            }
        }
    return n;
}

} // namespace

double ExcelSession::sum(const ExcelRange &range) const {
    return numbersIn(range).total;
}

Result<double> ExcelSession::average(const ExcelRange &range) const {
    if (!range.isValid())
        return Error{QStringLiteral("#DIV/0!"), {}};
    const RangeNumbers n = numbersIn(range);
    if (n.count == 0)
        return Error{
            QStringLiteral("平均を求める数値がありません（#DIV/0!）。：") + range.address(), {}};
    return n.total / double(n.count);
}

long ExcelSession::count(const ExcelRange &range) const {
    return numbersIn(range).count;
}

QString ExcelSession::xlsxPath(const QString &requested) {
    const int slash = std::max(requested.lastIndexOf(u'/'), requested.lastIndexOf(u'\\'));
    const int dot = requested.lastIndexOf(u'.');
    const QString ext = dot > slash ? requested.mid(dot + 1) : QString();
    if (ext.compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0)
        return requested;
    if (ext.compare(QStringLiteral("xls"), Qt::CaseInsensitive) == 0)
        return requested + u'x'; // the same name plus "x", whatever the case of ".xls"
    return requested + QStringLiteral(".xlsx");
}

Result<QString> ExcelSession::saveAs(int book, const QString &path, const QString &openPassword,
                                     const QString &modifyPassword) {
    Book *b = bookAt(book);
    if (!b)
        return noBook(book);
    if (b->readOnly)
        return Error{QStringLiteral("読み取り専用で開いたブックは保存できません。：") + b->name,
                     {}};
    const QString real = xlsxPath(path);
    Workbook &wb = *b->workbook;
    wb.fileSharing = FileSharing();
    if (!modifyPassword.isEmpty()) {
        if (!m_hashModify)
            return Error{QStringLiteral("書き込みパスワードを設定する機能がありません。"), {}};
        m_hashModify(wb.fileSharing, modifyPassword);
        if (!wb.fileSharing.isSet())
            return Error{QStringLiteral("書き込みパスワードを設定できませんでした。"), {}};
    }
    PackageTransform transform;
    if (!openPassword.isEmpty()) {
        if (!m_encrypt)
            return Error{QStringLiteral("読み取りパスワードを設定する機能がありません。"), {}};
        Encryptor encrypt = m_encrypt;
        transform = [encrypt, openPassword](const std::string &package) {
            return encrypt(package, openPassword);
        };
    }
    // Cells the report filled or copied may feed formulas whose cached results are now stale.
    recalculateFormulas(wb);
    if (Status s = saveWorkbook(wb, real.toStdString(), transform); !s)
        return s.error();
    b->name = QFileInfo(real).fileName();
    return real;
}

void ExcelSession::setPasswordHooks(Encryptor encrypt, Decryptor decrypt, ModifyHasher hashModify) {
    m_encrypt = std::move(encrypt);
    m_decrypt = std::move(decrypt);
    m_hashModify = std::move(hashModify);
}

} // namespace kelvoran
