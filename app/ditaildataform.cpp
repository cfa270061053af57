#include "app/ditaildataform.h"

#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/objecttreepane.h"
#include "editor/texteditor.h"
#include "ui/indexworkbook.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidgetItem>
#include <QUrl>

namespace kelvoran {

namespace {

constexpr int kClientWidth = 780;
constexpr int kClientHeight = 480;
constexpr int kLeftWidth = 313;
constexpr int kBottomHeight = 47;

const QString kExcelFilter = QStringLiteral("Excel files (*.xls)|*.xls");

QWidget *panel(const char *name, const QRect &geometry, QWidget *parent) {
    auto *p = new QWidget(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setGeometry(geometry);
    return p;
}

QLabel *label(const char *name, const QString &text, int y, QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(8, y, parent->width() - 16, 18);
    return l;
}

// Restores the normal cursor when the output ends, whichever way it ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};

} // namespace

TDitailDataForm::TDitailDataForm(TDataModule_Kelvoran &dm, DialogInteraction &dialogs,
                                 QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), m_dm(dm), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("TDitailDataForm"));
    setWindowTitle(QStringLiteral("DitailDataForm"));
    setFixedSize(kClientWidth, kClientHeight);
    m_opener = [](const QString &path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    const QFont fixed = TextEditor::editorFont();

    const int top = kClientHeight - kBottomHeight;
    QWidget *left = panel("Panel_Left", QRect(0, 0, kLeftWidth, top), this);
    label("Label_TableName", QStringLiteral("Table Name"), 8, left);
    m_tableName = new QLineEdit(left);
    m_tableName->setObjectName(QStringLiteral("Edit_ObjectName1"));
    m_tableName->setReadOnly(true);
    QFont big = fixed;
    big.setPixelSize(19);
    m_tableName->setFont(big);
    m_tableName->setGeometry(8, 28, kLeftWidth - 16, 28);
    label("Label_IndexList", QStringLiteral("Index一覧"), 64, left);
    m_list = new QListWidget(left);
    m_list->setObjectName(QStringLiteral("ListBox1"));
    m_list->setFont(fixed);
    m_list->setSortingEnabled(false);
    m_list->setStyleSheet(QStringLiteral("QListWidget::item { height: 18px; }"));
    m_list->setGeometry(8, 84, kLeftWidth - 16, top - 92);

    QWidget *right =
        panel("Panel_Right", QRect(kLeftWidth, 0, kClientWidth - kLeftWidth, top), this);
    label("Label_IndexName", QStringLiteral("Index Name"), 8, right);
    m_indexName = new QLineEdit(right);
    m_indexName->setObjectName(QStringLiteral("Edit_ObjectName2"));
    m_indexName->setReadOnly(true);
    m_indexName->setFont(fixed);
    m_indexName->setGeometry(8, 28, right->width() - 16, 28);
    label("Label_IndexDetail", QStringLiteral("Index詳細"), 64, right);
    m_memo = new QPlainTextEdit(right);
    m_memo->setObjectName(QStringLiteral("Memo_Ditail"));
    m_memo->setReadOnly(true);
    m_memo->setFont(fixed);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setGeometry(8, 84, right->width() - 16, top - 92);

    QWidget *bottom = panel("Panel_Bottom", QRect(0, top, kClientWidth, kBottomHeight), this);
    auto button = [bottom](const char *name, const QString &caption, int x) {
        auto *b = new QPushButton(caption, bottom);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(x, 10, 120, 27);
        return b;
    };
    const int middle = kClientWidth / 2;
    m_excel = button("Button_ExcelOut", QStringLiteral("Excel出力"), middle - 200);
    m_listExcel = button("Button_ListExcelOut", QStringLiteral("一覧Excel出力"), middle - 60);
    m_close = button("Button_Close", QStringLiteral("閉じる"), middle + 80);
    m_excel->setEnabled(false);
    m_listExcel->setEnabled(false);

    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        run([this, item] { chooseIndex(m_list->row(item)); });
    });
    // Arrow keys choose too; a mouse click is handled once, on its release.
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_quietSelection && row >= 0 && QApplication::mouseButtons() == Qt::NoButton)
            run([this, row] { chooseIndex(row); });
    });
    connect(m_excel, &QPushButton::clicked, this, [this] { run([this] { writeChosenIndex(); }); });
    connect(m_listExcel, &QPushButton::clicked, this,
            [this] { run([this] { writeEveryIndex(); }); });
    connect(m_close, &QPushButton::clicked, this, [this] {
        m_memo->clear();
        close();
    });
}

TDitailDataForm::~TDitailDataForm() = default;

void TDitailDataForm::setWorkbookOpener(std::function<void(const QString &)> opener) {
    m_opener = std::move(opener);
}

void TDitailDataForm::run(const std::function<void()> &command) {
    if (m_dm.runCommand)
        m_dm.runCommand(command);
    else
        command();
}

db::CatalogQuery TDitailDataForm::catalog(const QString &alias) {
    DbResult<QSqlDatabase> db = m_dm.session.connection(alias);
    if (!db)
        throw DbException(db.error());
    return db::CatalogQuery(*db);
}

void TDitailDataForm::showIndexList(QTreeWidgetItem *node) {
    if (!node || ObjectTreePane::levelOf(node) != 2 || node->parent()->text(0) != u"Table")
        return;
    showIndexList(ObjectTreePane::rootOf(node)->text(0), node->text(0));
}

void TDitailDataForm::showIndexList(const QString &alias, const QString &table) {
    const Result<QString> driver = m_dm.session.driverName(alias);
    if (!driver)
        return;
    const DbKind kind = dbKindFromDriverName(*driver);
    db::CatalogQuery query = catalog(alias);
    auto browser = std::make_unique<IndexListBrowser>(kind);
    const QStringList indexes = browser->listIndexes(query, table).valueOrThrow();
    m_browser = std::move(browser);
    m_alias = alias;

    m_quietSelection = true;
    m_tableName->setText(table);
    m_indexName->clear();
    m_list->clear();
    m_list->addItems(indexes);
    m_list->setCurrentRow(-1);
    m_quietSelection = false;
    m_memo->clear();
    updateButtons();
    if (!isVisible()) {
        if (QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
}

void TDitailDataForm::showEvent(QShowEvent *event) {
    m_memo->clear();
    updateButtons();
    QWidget::showEvent(event);
}

void TDitailDataForm::changeEvent(QEvent *event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_memo->clear();
        updateButtons();
    }
    QWidget::changeEvent(event);
}

void TDitailDataForm::updateButtons() {
    const bool listed = m_list->count() > 0;
    m_listExcel->setEnabled(listed);
    m_excel->setEnabled(listed && m_list->currentRow() >= 0 && !m_indexName->text().isEmpty());
}

void TDitailDataForm::chooseIndex(int row) {
    if (!m_browser || row < 0 || row >= m_list->count())
        return;
    const QString index = m_list->item(row)->text();
    db::CatalogQuery query = catalog(m_alias);
    const IndexDetail detail = m_browser->detail(query, index).valueOrThrow();
    m_indexName->setText(index);
    m_memo->setPlainText(detail.memoLines.join(u'\n'));
    m_excel->setEnabled(true);
}

QString TDitailDataForm::chooseOutputFile(const QString &proposedName) {
    m_dialogs.setPreselectedPath(
        indexWorkbookProposal(m_dm.settings.excelDataDir, proposedName + QStringLiteral(".xls")));
    const QString chosen = m_dm.ui->chooseSaveFile(QString(), kExcelFilter);
    if (chosen.isEmpty())
        return QString();
    const QString path = indexWorkbookPath(chosen);
    m_dm.settings.excelDataDir = path;
    return path;
}

void TDitailDataForm::writeChosenIndex() {
    const QString index = m_indexName->text();
    if (!m_browser || index.isEmpty())
        return;
    const QString path = chooseOutputFile(index);
    if (path.isEmpty())
        return;
    WaitCursor wait;
    db::CatalogQuery query = catalog(m_alias);
    saveAndOpen({m_browser->detail(query, index).valueOrThrow()}, path);
}

void TDitailDataForm::writeEveryIndex() {
    if (!m_browser || m_list->count() == 0)
        return;
    const QString path = chooseOutputFile(m_tableName->text());
    if (path.isEmpty())
        return;
    WaitCursor wait;
    const QString chosenBefore = m_indexName->text();
    std::vector<IndexDetail> details;
    // Each index is selected while it is read; the list comes back to the chosen index
    // (or none) however the reading ends.
    struct Restore {
        TDitailDataForm *form;
        QString chosen;
        ~Restore() {
            const QList<QListWidgetItem *> found =
                form->m_list->findItems(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
            form->m_quietSelection = true;
            if (chosen.isEmpty() || found.isEmpty()) {
                form->m_list->setCurrentRow(-1);
                form->m_list->clearSelection();
            } else {
                form->m_list->setCurrentItem(found.first());
            }
            form->m_quietSelection = false;
        }
    } restore{this, chosenBefore};
    db::CatalogQuery query = catalog(m_alias);
    for (int row = 0; row < m_list->count(); ++row) {
        m_quietSelection = true;
        m_list->setCurrentRow(row);
        m_quietSelection = false;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        details.push_back(m_browser->detail(query, m_list->item(row)->text()).valueOrThrow());
    }
    saveAndOpen(details, path);
}

void TDitailDataForm::saveAndOpen(const std::vector<IndexDetail> &details, const QString &path) {
    const Result<QString> saved = writeIndexWorkbook(details, path);
    if (!saved) {
        m_dm.inform(QStringLiteral("エクセル作成中にエラーが発生しました。：") +
                        saved.error().message,
                    MessageIcon::Error);
        return;
    }
    m_opener(*saved);
}

} // namespace kelvoran
