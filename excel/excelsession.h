// The workbooks of one report run on the in-process engine: adding and opening workbooks,
// sheets, ranges, sums, saving. Workbooks and sheets are numbered from 1 as the report code
// numbers them.
#pragma once

#include "core/result.h"
#include "excel/excelrange.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelvoran {

namespace xlsx {
class Workbook;
struct FileSharing;
} // namespace xlsx

// One worksheet of an open workbook.
class ExcelSheet {
public:
    ExcelSheet() = default;
    explicit ExcelSheet(xlsx::Worksheet *sheet) : m_sheet(sheet) {}

    bool isValid() const { return m_sheet != nullptr; }
    xlsx::Worksheet *sheet() const { return m_sheet; }
    QString name() const;
    // Renames the sheet; an invalid or duplicate name fails with a message.
    Status setName(const QString &name) const;
    // The cell at (row, column), 1-based.
    ExcelRange cells(int row, int column) const;
    // A range by A1 text ("B2", "A1:C9", "C:C", "3:5").
    Result<ExcelRange> range(const QString &a1) const;
    // The range spanning two corners.
    ExcelRange range(const ExcelRange &a, const ExcelRange &b) const;
    // Print area as A1 text ("A1:E20"); empty clears it.
    Status setPrintArea(const QString &a1) const;
    QString printArea() const;
    // A horizontal page break before the row.
    void addPageBreakBefore(int row) const;
    // Freezes the rows above and the columns left of the cell, as FreezePanes with that cell
    // selected; (1, 1) unfreezes.
    void freezePanes(int row, int column) const;
    int frozenRows() const;
    int frozenColumns() const;
    // Highest used row.
    int lastRow() const;

private:
    xlsx::Worksheet *m_sheet = nullptr;
};

class ExcelSession {
public:
    // Encrypts finished package bytes with the password to open.
    using Encryptor =
        std::function<Result<std::string>(const std::string &package, const QString &password)>;
    // Decrypts an encrypted workbook file with its password.
    using Decryptor =
        std::function<Result<std::string>(const std::string &file, const QString &password)>;
    // Fills the write-reservation entry for the password to modify.
    using ModifyHasher = std::function<void(xlsx::FileSharing &entry, const QString &password)>;

    ExcelSession();
    ~ExcelSession();
    ExcelSession(const ExcelSession &) = delete;
    ExcelSession &operator=(const ExcelSession &) = delete;

    // Workbooks.
    int workbookCount() const;
    // Adds a workbook with one sheet, makes it active and returns its number.
    int addWorkbook();
    // Opens a template workbook read-only (never saved back); returns its number. The active
    // workbook does not change.
    Result<int> openTemplate(const QString &path, const QString &readPassword = QString());
    QString workbookName(int book) const;
    int activeWorkbook() const;
    void activateWorkbook(int book);
    // What reading the workbook or copying its sheets did not carry over.
    QStringList notices(int book) const;
    // Closes a workbook without saving; later workbooks move down by one.
    void closeWorkbook(int book);
    void closeAll();

    // Sheets.
    int sheetCount(int book) const;
    ExcelSheet sheet(int book, int index) const;
    // Adds an empty sheet right after sheet 'after' (0: first).
    Result<ExcelSheet> addSheetAfter(int book, int after);
    // Copies a sheet of any open workbook right after sheet 'after' of book, with its styles.
    Result<ExcelSheet> copySheetAfter(int fromBook, int fromSheet, int book, int after);
    Status deleteSheet(int book, int index);
    Status activateSheet(int book, int index);
    int activeSheet(int book) const;

    // Worksheet functions over the numbers of a range.
    double sum(const ExcelRange &range) const;
    // Fails ("#DIV/0!") when the range holds no number.
    Result<double> average(const ExcelRange &range) const;
    // How many numbers the range holds.
    long count(const ExcelRange &range) const;

    // Saves a workbook under the .xlsx name for path (see xlsxPath) and returns that name.
    // Passwords: the password to open encrypts the file, the password to modify goes into the
    // write-reservation entry; both need the hooks below.
    Result<QString> saveAs(int book, const QString &path, const QString &openPassword = QString(),
                           const QString &modifyPassword = QString());
    // The name a workbook is written under: a name ending in ".xls" (any case) gets an "x"; any
    // other name not ending in ".xlsx" gets ".xlsx" appended.
    static QString xlsxPath(const QString &requested);

    // Hooks of the encryption layer.
    void setPasswordHooks(Encryptor encrypt, Decryptor decrypt, ModifyHasher hashModify);

private:
    struct Book;
    Book *bookAt(int book) const;
    std::vector<std::unique_ptr<Book>> m_books;
    int m_active = 0;
    int m_nextNumber = 1;
    Encryptor m_encrypt;
    Decryptor m_decrypt;
    ModifyHasher m_hashModify;
};

} // namespace kelvoran
