#include "mainwindow.h"

#include "aboutbox.h"
#include "analyzecol.h"
#include "clock.h"
#include "datashowform.h"
#include "dbnavigator.h"
#include "dialoginteraction.h"
#include "errorsource.h"
#include "finddialog.h"
#include "logindialog.h"
#include "objectdescription.h"
#include "objectlist.h"
#include "openpaths.h"
#include "pathrules.h"
#include "placeholderform.h"
#include "savedbparamsetform.h"
#include "scheduleform.h"
#include "settingsfile.h"
#include "settingssave.h"
#include "singleinstance.h"
#include "sqlrunoutcome.h"
#include "texteditor.h"
#include "textfile.h"
#include "treeimages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QShortcut>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeWidget>

namespace kelvoran {

namespace {

constexpr int kHeaderHeight = 41;
constexpr int kGridTitleHeight = 48;
constexpr int kSplitStrip = 4;
const QString kOpenError = QStringLiteral(
    "Message     "
    ":設定ファイル読み出し中にエラーが発生しました。設定ファイルにエラーがある可能性があります。");

QColor fromBgr(int value, bool background) {
    if (value == kNoColour)
        return background ? QColor(Qt::white) : QColor(Qt::black);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int toBgr(const QColor &c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

bool blank(const QStringList &lines) {
    for (const QString &l : lines)
        if (!l.trimmed().isEmpty())
            return false;
    return true;
}

QString rightTrimmed(QString s) {
    int n = int(s.size());
    while (n > 0 && s.at(n - 1).isSpace())
        --n;
    s.truncate(n);
    return s;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TKelvoran::TKelvoran(AliasList aliases, const QString &settingsPath, const QString &startupPath,
                     QWidget *parent)
    : QMainWindow(parent), m_dm(std::move(aliases)), m_settingsPath(settingsPath),
      m_startupPath(startupPath) {
    setObjectName(QStringLiteral("TKelvoran"));
    setWindowTitle(QStringLiteral("Kelvoran"));
    QFont f(QStringLiteral("Noto Sans CJK JP"));
    f.setPixelSize(12);
    setFont(f);
    if (m_settingsPath.isEmpty())
        m_settingsPath = AppSettingsStore::defaultIniPath();
    m_handOff = std::make_unique<HandOffStore>(m_settingsPath);
    m_loginPrompt = std::make_unique<DialogLoginPrompt>(this);
    m_dm.session.setLoginPrompt(m_loginPrompt.get());

    buildControls();
    // The named windows, created once in their fixed order after the main window.
    for (const auto &[name, caption] : std::vector<std::pair<QString, QString>>{
             {QStringLiteral("TErrSourceForm"), QStringLiteral("エラーソース")},
             {QStringLiteral("TExcelSettingForm"), QStringLiteral("EXCEL出力")},
             {QStringLiteral("TExcelFormatForm"), QStringLiteral("書式選択")},
             {QStringLiteral("TFormatEditForm"), QStringLiteral("書式編集")},
             {QStringLiteral("TShowDataForm"), QStringLiteral("データ表示")}}) {
        addPlaceholder(name, caption);
    }
    m_dataShowForm = new TDataShowForm(this);
    m_connectionForm = new TSaveDBParamSetForm(m_dm.session, this);
    m_defaultUi = new DialogInteraction(this, m_connectionForm);
    m_ui = m_defaultUi;
    addPlaceholder(QStringLiteral("TInstructionManualForm"), QStringLiteral("機能概要"));
    m_scheduleForm = new TScheduleForm(this);
    for (const auto &[name, caption] : std::vector<std::pair<QString, QString>>{
             {QStringLiteral("TSQLConditionEditForm"), QStringLiteral("SQL条件編集")},
             {QStringLiteral("TConditionSetForm"), QStringLiteral("条件設定")},
             {QStringLiteral("TCSVSettingForm"), QStringLiteral("CSV設定")},
             {QStringLiteral("TColorForm"), QStringLiteral("色設定")},
             {QStringLiteral("TPathSettingForm"), QStringLiteral("設定")},
             {QStringLiteral("TErrSQLForm"), QStringLiteral("エラーメッセージ")},
             {QStringLiteral("TErrSQLShowForm"), QStringLiteral("エラー表示")},
             {QStringLiteral("TDitailDataForm"), QStringLiteral("詳細データ")},
             {QStringLiteral("TLogShowForm"), QStringLiteral("Logファイル表示")},
             {QStringLiteral("TPivotTableSettingForm"), QStringLiteral("ピボットテーブル設定")},
             {QStringLiteral("TExcelPassWordSettingForm"), QStringLiteral("PassWord設定")},
             {QStringLiteral("TPassWordSetForm"), QStringLiteral("PassWord変更")},
             {QStringLiteral("TIndexListForm"), QStringLiteral("Index一覧表示")}}) {
        addPlaceholder(name, caption);
    }
    m_aboutBox = new TAboutBox(this);
    m_findDialog = new FindDialog(false, this);
    m_replaceDialog = new FindDialog(true, this);
    connect(m_findDialog, &FindDialog::findNextClicked, this, [this] {
        m_replaceMode = false;
        doFind();
    });
    connect(m_replaceDialog, &FindDialog::findNextClicked, this, [this] {
        m_replaceMode = true;
        doFind();
    });
    connect(m_replaceDialog, &FindDialog::replaceClicked, this, [this] { doReplace(false); });
    connect(m_replaceDialog, &FindDialog::replaceAllClicked, this, [this] { doReplace(true); });

    buildMenus();
    buildToolbar();
    m_askReplace = [this](const QString &text) {
        return int(QMessageBox::question(this, QStringLiteral("Kelvoran"), text,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Abort |
                                             QMessageBox::YesToAll));
    };

    // Form layout at creation: 983x715, centred; the stored geometry replaces it later.
    resize(983, 715);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_gridHeight = 340;
    m_sqlWidth = 721;
    resetAnalyzeCol();
    padAnalyzeHeadings();
    m_pages->setCurrentIndex(DefinitionTab);
    tabChanged(DefinitionTab);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive && m_shownOnce)
            runCommand([this] { activation(); });
    });
}

TKelvoran::~TKelvoran() {
    closeTable();
    delete m_defaultUi;
}

void TKelvoran::addPlaceholder(const QString &name, const QString &caption) {
    m_placeholders[name] = new PlaceholderForm(name, caption, this);
}

PlaceholderForm *TKelvoran::placeholder(const QString &name) const {
    auto it = m_placeholders.find(name);
    return it == m_placeholders.end() ? nullptr : it->second;
}

void TKelvoran::showPlaceholder(const QString &name) {
    if (PlaceholderForm *form = placeholder(name))
        inform(form->notAvailableText());
}

QAction *TKelvoran::action(const QString &name) const {
    auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

void TKelvoran::setInteraction(UserInteraction *ui) {
    if (ui)
        m_ui = ui;
    else
        m_ui = m_defaultUi;
}

void TKelvoran::inform(const QString &text, MessageIcon icon) {
    m_ui->inform(icon, text);
}

void TKelvoran::buildControls() {
    m_body = new QWidget(this);
    setCentralWidget(m_body);
    m_header = new QWidget(m_body);
    m_header->setObjectName(QStringLiteral("PanelHeader"));

    m_treePanel = new QWidget(m_body);
    m_treePanel->setObjectName(QStringLiteral("PanelTreeView"));
    auto *searchLabel = new QLabel(QStringLiteral("検索条件"), m_treePanel);
    searchLabel->setGeometry(4, 4, 60, 20);
    m_search = new QLineEdit(m_treePanel);
    m_search->setObjectName(QStringLiteral("EditSearch"));
    m_search->setToolTip(QStringLiteral("「Esc」でDB一覧　・　「Enter」で検索結果"));
    m_search->installEventFilter(this);
    m_tree = new QTreeWidget(m_treePanel);
    m_tree->setObjectName(QStringLiteral("TreeViewDB"));
    m_tree->setHeaderHidden(true);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setMouseTracking(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->setUniformRowHeights(true);
    m_tree->installEventFilter(this);
    m_tree->viewport()->setMouseTracking(true);
    m_tree->viewport()->installEventFilter(this);
    connect(m_tree, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { runCommand([this, item] { treeClicked(item); }); });
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item)
            setContext(item);
    });
    connect(m_tree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QTreeWidgetItem *item = m_tree->itemAt(pos);
        if (!item)
            return;
        m_tree->setCurrentItem(item);
        runCommand([this, item] { treeRightClicked(item); });
        updateViewMenu();
        m_treePopup->popup(m_tree->viewport()->mapToGlobal(pos));
    });
    m_searchResult = new QListWidget(m_treePanel);
    m_searchResult->setObjectName(QStringLiteral("ListBoxSearchResult"));
    m_searchResult->setFont(TextEditor::editorFont());
    m_searchResult->setStyleSheet(QStringLiteral("QListWidget::item { height: 18px; }"));
    m_searchResult->hide();
    m_searchResult->installEventFilter(this);
    connect(m_searchResult, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
        runCommand([this, item] { searchResultChosen(item->text()); });
    });

    m_sqlPanel = new QWidget(m_body);
    m_sqlPanel->setObjectName(QStringLiteral("PanelSQL"));
    m_sqlPanel->setMouseTracking(true);
    m_sqlPanel->installEventFilter(this);
    m_pages = new QTabWidget(m_sqlPanel);
    m_pages->setObjectName(QStringLiteral("PageControl_Kelvoran"));
    auto makeEditor = [this](const QString &name, bool readOnly) {
        auto *e = new TextEditor(m_pages);
        e->setObjectName(name);
        e->setReadOnly(readOnly);
        e->setTabWidth(4);
        QPalette p = e->palette();
        p.setColor(QPalette::Highlight, QColor(0, 0, 255));
        p.setColor(QPalette::HighlightedText, Qt::white);
        e->setPalette(p);
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(e, &QWidget::customContextMenuRequested, this, [this, e](const QPoint &pos) {
            updateEditMenu();
            m_tabPopup->popup(e->mapToGlobal(pos));
        });
        return e;
    };
    m_definition = makeEditor(QStringLiteral("Memo_Definition"), true);
    m_definition->setWordWrap(false);
    m_source = makeEditor(QStringLiteral("Memo_Source"), true);
    m_source->setWordWrap(false);
    m_sql = makeEditor(QStringLiteral("Memo_SQL"), false);
    m_sql->setWordWrap(true);
    m_sql->setSqlHighlighting(true);
    m_sql->installEventFilter(this);
    m_analyze = new QTableWidget(2, 3, m_pages);
    m_analyze->setObjectName(QStringLiteral("StringGrid_AnalyzeSQL"));
    m_analyze->horizontalHeader()->hide();
    m_analyze->verticalHeader()->hide();
    m_analyze->setColumnWidth(0, 64);
    m_analyze->setColumnWidth(1, 310);
    m_analyze->setColumnWidth(2, 304);
    m_analyze->viewport()->installEventFilter(this);
    connect(m_analyze->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { padAnalyzeHeadings(); });
    m_pages->addTab(m_definition, QStringLiteral("Definition"));
    m_pages->addTab(m_source, QStringLiteral("   Source  "));
    m_pages->addTab(m_sql, QStringLiteral("     SQL     "));
    m_pages->addTab(m_analyze, QStringLiteral("AnalyzeCol"));
    connect(m_pages, &QTabWidget::currentChanged, this, &TKelvoran::tabChanged);

    m_gridPanel = new QWidget(m_body);
    m_gridPanel->setObjectName(QStringLiteral("PanelGrid"));
    m_gridPanel->setMouseTracking(true);
    m_gridPanel->installEventFilter(this);
    m_gridTitle = new QWidget(m_gridPanel);
    m_gridTitle->setObjectName(QStringLiteral("PanelGridTitle"));
    m_gridTitle->setMouseTracking(true);
    m_gridTitle->installEventFilter(this);
    m_countLabel = new QLabel(QStringLiteral("データ数"), m_gridTitle);
    m_count = new QLineEdit(m_gridTitle);
    m_count->setObjectName(QStringLiteral("MemoDataCnt"));
    m_count->setReadOnly(true);
    m_count->setAlignment(Qt::AlignRight);
    connect(m_count, &QLineEdit::textChanged, this, [this](const QString &t) {
        if (t == u"-1")
            m_count->clear();
    });
    m_nameLabel = new QLabel(QStringLiteral("Table・View名"), m_gridTitle);
    m_name = new QLineEdit(m_gridTitle);
    m_name->setObjectName(QStringLiteral("EditTblViewName"));
    m_name->setReadOnly(true);
    m_countLabel->setGeometry(12, 14, 60, 20);
    m_count->setGeometry(72, 12, 80, 22);
    m_nameLabel->setGeometry(168, 14, 100, 20);
    m_name->setGeometry(272, 12, 400, 22);
    m_grid = new QTableView(m_gridPanel);
    m_grid->setObjectName(QStringLiteral("DBGrid"));
    // A double-click opens the field memo viewer; typing edits the cell.
    m_grid->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                            QAbstractItemView::SelectedClicked);
    connect(m_grid, &QTableView::doubleClicked, this, &TKelvoran::gridDoubleClicked);
    m_navigator = new DbNavigator(m_grid, m_header);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
}

QAction *TKelvoran::addItem(QMenu *menu, const QString &name, const QString &caption,
                            const QKeySequence &key, const std::function<void()> &command) {
    auto *a = new QAction(key.isEmpty() ? caption : caption + u'\t' + key.toString(), this);
    a->setObjectName(name);
    if (menu)
        menu->addAction(a);
    connect(a, &QAction::triggered, this, [this, command] { runCommand(command); });
    m_actions[name] = a;
    if (!key.isEmpty()) {
        // A shortcut first runs its menu's opening handler, so the enabling rules gate it.
        auto *sc = new QShortcut(key, this);
        sc->setContext(Qt::WindowShortcut);
        connect(sc, &QShortcut::activated, this, [this, a, menu] {
            if (menu == m_fileMenu)
                updateFileMenu();
            else if (menu == m_editMenu)
                updateEditMenu();
            if (a->isEnabled())
                a->trigger();
        });
    }
    return a;
}

void TKelvoran::buildMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenuKelvoran"));
    m_fileMenu = bar->addMenu(QStringLiteral("ファイル(&F)"));
    addItem(m_fileMenu, QStringLiteral("Open"), QStringLiteral("開く(&O)"),
            QKeySequence(Qt::CTRL | Qt::Key_O), [this] { openFile(); });
    addItem(m_fileMenu, QStringLiteral("Save"), QStringLiteral("保存(&S)"),
            QKeySequence(Qt::CTRL | Qt::Key_S), [this] { saveFile(); });
    addItem(m_fileMenu, QStringLiteral("Print"), QStringLiteral("印刷(&P)"),
            QKeySequence(Qt::CTRL | Qt::Key_P), [this] { printFile(); });
    m_fileMenu->addSeparator();
    for (const auto &[name, caption] : std::vector<std::pair<QString, QString>>{
             {QStringLiteral("CsvExport"), QStringLiteral("CSVエクスポート")},
             {QStringLiteral("CsvExportSave"), QStringLiteral("CSVエクスポート設定保存")},
             {QStringLiteral("CsvImport"), QStringLiteral("CSVインポート")},
             {QStringLiteral("CsvImportSave"), QStringLiteral("CSVインポート設定保存")}}) {
        addItem(m_fileMenu, name, caption, {}, [this] {
            showPlaceholder(QStringLiteral("TCSVSettingForm"));
        })->setEnabled(false);
    }
    addItem(m_fileMenu, QStringLiteral("RunScript"), QStringLiteral("SQLファイルの実行"), {},
            [this] { showPlaceholder(QStringLiteral("TErrSQLForm")); });
    m_fileMenu->addSeparator();
    addItem(m_fileMenu, QStringLiteral("Exit"), QStringLiteral("終了(&X)"), {}, [this] {
        closeSession();
        close();
    });
    connect(m_fileMenu, &QMenu::aboutToShow, this, [this] {
        unsetCursor();
        updateFileMenu();
    });

    m_editMenu = bar->addMenu(QStringLiteral("編集(&E)"));
    addItem(m_editMenu, QStringLiteral("Undo"), QStringLiteral("元に戻す(&U)"),
            QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { editCommand(QStringLiteral("UNDO")); })
        ->setEnabled(false);
    addItem(m_editMenu, QStringLiteral("Redo"), QStringLiteral("やり直し(&R)"),
            QKeySequence(Qt::CTRL | Qt::Key_Y), [this] { editCommand(QStringLiteral("REDO")); })
        ->setEnabled(false);
    m_editMenu->addSeparator();
    for (const auto &[name, caption] : std::vector<std::pair<QString, QString>>{
             {QStringLiteral("CUT"), QStringLiteral("切り取り(&X)")},
             {QStringLiteral("COPY"), QStringLiteral("コピー(&C)")},
             {QStringLiteral("PASTE"), QStringLiteral("貼り付け(&P)")},
             {QStringLiteral("CLEAR"), QStringLiteral("クリア(&D)")},
             {QStringLiteral("SELECTALL"), QStringLiteral("すべて選択(&A)")}}) {
        const QString word = name;
        addItem(m_editMenu, name, caption, {}, [this, word] { editCommand(word); });
    }
    m_editMenu->addSeparator();
    addItem(m_editMenu, QStringLiteral("Find"), QStringLiteral("検索(&S)"),
            QKeySequence(Qt::CTRL | Qt::Key_F), [this] { startFind(); });
    addItem(m_editMenu, QStringLiteral("FindNext"), QStringLiteral("次を検索(&N)"),
            QKeySequence(Qt::Key_F3), [this] { findNextCommand(); });
    addItem(m_editMenu, QStringLiteral("Replace"), QStringLiteral("置き換え(&E)"),
            QKeySequence(Qt::CTRL | Qt::Key_H), [this] { startReplace(); });
    m_editMenu->addSeparator();
    addItem(m_editMenu, QStringLiteral("RunSql"), QStringLiteral("SQL実行(&G)"),
            QKeySequence(Qt::Key_F4), [this] { runSql(); });
    addItem(m_editMenu, QStringLiteral("ExcelOut"), QStringLiteral("EXCEL出力(&E)"),
            QKeySequence(Qt::Key_F5), [this] {
                m_dataShowForm->close();
                showPlaceholder(QStringLiteral("TExcelSettingForm"));
            });
    addItem(m_editMenu, QStringLiteral("FieldNames"), QStringLiteral("抽出項目名に置換え"),
            QKeySequence(Qt::Key_F6), [this] { replaceWithFieldNames(); });
    m_editMenu->addSeparator();
    addItem(m_editMenu, QStringLiteral("Refresh"), QStringLiteral("更新"), {},
            [this] { refreshTree(); });
    addItem(m_editMenu, QStringLiteral("CloseSession"), QStringLiteral("セッションを閉じる(&Z)"),
            {}, [this] { closeSession(); });
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] {
        unsetCursor();
        updateEditMenu();
    });

    m_viewMenu = bar->addMenu(QStringLiteral("表示(&V)"));
    addItem(m_viewMenu, QStringLiteral("CollapseAll"), QStringLiteral("全縮小(&C)"), {},
            [this] { collapseAll(); });
    addItem(m_viewMenu, QStringLiteral("Collapse"), QStringLiteral("縮小"), {},
            [this] { collapseSelected(); });
    addItem(m_viewMenu, QStringLiteral("ExpandAll"), QStringLiteral("全展開(&E)"), {},
            [this] { expandAll(); });
    addItem(m_viewMenu, QStringLiteral("Expand"), QStringLiteral("展開"), {},
            [this] { expandSelected(); });
    m_viewMenu->addSeparator();
    addItem(m_viewMenu, QStringLiteral("IndexList"), QStringLiteral("Index一覧表示"), {},
            [this] { showPlaceholder(QStringLiteral("TIndexListForm")); });
    addItem(m_viewMenu, QStringLiteral("ErrMessage"), QStringLiteral("エラーメッセージ(&M)"), {},
            [this] { showPlaceholder(QStringLiteral("TErrSQLForm")); });
    addItem(m_viewMenu, QStringLiteral("ErrSource"), QStringLiteral("エラーソース(&S)"), {},
            [this] { showPlaceholder(QStringLiteral("TErrSourceForm")); });
    addItem(m_viewMenu, QStringLiteral("ScheduleView"), QStringLiteral("スケジュール設定表示"), {},
            [this] { showPlaceholder(QStringLiteral("TLogShowForm")); });
    addItem(m_viewMenu, QStringLiteral("LogView"), QStringLiteral("Logファイル表示"), {},
            [this] { showPlaceholder(QStringLiteral("TLogShowForm")); });
    connect(m_viewMenu, &QMenu::aboutToShow, this, [this] {
        unsetCursor();
        updateViewMenu();
    });

    QMenu *other = bar->addMenu(QStringLiteral("その他"));
    addItem(other, QStringLiteral("Preferences"), QStringLiteral("設定"), {},
            [this] { showPlaceholder(QStringLiteral("TPathSettingForm")); });
    QMenu *help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    addItem(help, QStringLiteral("Version"), QStringLiteral("バージョン"), {},
            [this] { m_aboutBox->exec(); });
    addItem(help, QStringLiteral("Manual"), QStringLiteral("機能概要"), {},
            [this] { showPlaceholder(QStringLiteral("TInstructionManualForm")); });

    m_treePopup = new QMenu(this);
    m_treePopup->setObjectName(QStringLiteral("PopupMenuKelvoran"));
    for (const char *n : {"ErrMessage", "ErrSource", "IndexList", "Refresh"})
        m_treePopup->addAction(action(QString::fromLatin1(n)));
    addItem(m_treePopup, QStringLiteral("PopupCloseSession"), QStringLiteral("Sessionを閉じる(&X)"),
            {}, [this] { closeSession(); });

    m_tabPopup = new QMenu(this);
    m_tabPopup->setObjectName(QStringLiteral("PopupMenu_Tab"));
    for (const char *n : {"Undo", "Redo", "CUT", "COPY", "PASTE", "CLEAR", "SELECTALL", "Find"})
        m_tabPopup->addAction(action(QString::fromLatin1(n)));
    addItem(m_tabPopup, QStringLiteral("PopupReplace"), QStringLiteral("置き換え(&R)"), {},
            [this] { startReplace(); });
    m_tabPopup->addAction(action(QStringLiteral("Save")));
    m_tabPopup->addAction(action(QStringLiteral("Print")));
}

void TKelvoran::buildToolbar() {
    struct Button {
        const char *name;
        const char *hint;
        QStyle::StandardPixmap icon;
        std::function<void()> command;
    };
    const std::vector<Button> left = {
        {"SpeedButton1", "開く", QStyle::SP_DialogOpenButton, [this] { openFile(); }},
        {"SpeedButton2", "保存", QStyle::SP_DialogSaveButton, [this] { saveFile(); }},
        {"SpeedButton3", "印刷", QStyle::SP_FileDialogDetailedView, [this] { printFile(); }},
        {"SpeedButton4", "全展開", QStyle::SP_ArrowDown, [this] { expandAll(); }},
        {"SpeedButton5", "全縮小", QStyle::SP_ArrowUp, [this] { collapseAll(); }},
        {"SpeedButton13", "展開", QStyle::SP_ArrowRight, [this] { expandSelected(); }},
        {"SpeedButton12", "縮小", QStyle::SP_ArrowLeft, [this] { collapseSelected(); }},
        {"SpeedButton6", "Excel出力", QStyle::SP_FileIcon,
         [this] { action(QStringLiteral("ExcelOut"))->trigger(); }},
        {"SpeedButton7", "Schedule設定", QStyle::SP_FileDialogListView,
         [this] {
             m_dataShowForm->close();
             m_scheduleForm->setStartFields(QDateTime::currentDateTime());
             m_scheduleForm->show();
         }},
        {"SpeedButton8", "終了", QStyle::SP_DialogCloseButton,
         [this] { action(QStringLiteral("Exit"))->trigger(); }},
    };
    int x = 4;
    for (const Button &b : left) {
        auto *button = new QToolButton(m_header);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setIcon(style()->standardIcon(b.icon));
        button->setGeometry(x, 6, 30, 30);
        x += 32;
        auto command = b.command;
        connect(button, &QToolButton::clicked, this, [this, command] { runCommand(command); });
        m_buttons[QString::fromLatin1(b.name)] = button;
    }
    const std::vector<Button> right = {
        {"SpeedButton9", "1つ前のSQL", QStyle::SP_MediaSeekBackward, [this] { historyBack(); }},
        {"SpeedButton10", "1つ先のSQL", QStyle::SP_MediaSeekForward, [this] { historyForward(); }},
        {"SpeedButton11", "SQL実行", QStyle::SP_MediaPlay, [this] { runSql(); }},
    };
    for (const Button &b : right) {
        auto *button = new QToolButton(m_header);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setIcon(style()->standardIcon(b.icon));
        button->setEnabled(false);
        auto command = b.command;
        connect(button, &QToolButton::clicked, this, [this, command] { runCommand(command); });
        m_buttons[QString::fromLatin1(b.name)] = button;
    }
}

// ---------------------------------------------------------------------------------------------
// Errors and dispatch

void TKelvoran::showDbError(const DbError &error) {
    for (const QString &text : error.texts())
        inform(text, MessageIcon::Error);
}

void TKelvoran::runCommand(const std::function<void()> &command) {
    try {
        command();
    } catch (const DbException &e) {
        m_tree->setVisible(true);
        showDbError(e.error());
    } catch (...) {
        // Other failures are not reported; the tree is shown again in any case.
        m_tree->setVisible(true);
    }
}

// ---------------------------------------------------------------------------------------------
// Showing, settings, close

void TKelvoran::showEvent(QShowEvent *event) {
    QMainWindow::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    try {
        firstShowing();
    } catch (...) {
        inform(QStringLiteral("エラーが発生しました。：") + m_dm.step.text(), MessageIcon::Error);
        close();
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { runCommand([this] { activation(); }); }, Qt::QueuedConnection);
}

void TKelvoran::firstShowing() {
    m_dm.step.set("SH_190001");
    padAnalyzeHeadings();
    m_dm.step.set("SH_190002");
    listAliases();
    m_dm.step.set("SH_190003");
    AppSettingsStore store(m_settingsPath);
    FirstRunWindowValues first;
    first.formTop = y();
    first.formLeft = x();
    first.formHeight = height();
    first.formWidth = width();
    first.tabWidth = m_sqlWidth;
    first.gridHeight = m_gridHeight;
    Result<AppSettings> loaded = store.load(first, m_dm.step);
    if (!loaded) {
        inform(loaded.error().message, MessageIcon::Error);
        throw std::runtime_error("settings");
    }
    m_dm.settings = *loaded;
    m_dm.paths.lastFilePath = m_dm.settings.kelvoranDataDir;
    m_dm.step.set("SH_190004");
    applySettings();
    m_dm.step.set("SH_190005");
    m_dm.paths.pendingOpenPath.clear();
    m_dm.paths.pendingOpenPath = m_startupPath;
    m_handOff->write(m_dm.paths.pendingOpenPath);
}

void TKelvoran::applySettings() {
    m_applyingSettings = true;
    const AppSettings &s = m_dm.settings;
    // Position and size are stored as the window's pos() and size(), so they round-trip.
    if (s.formWidth > 0 && s.formHeight > 0) {
        move(s.formLeft, s.formTop);
        resize(s.formWidth, s.formHeight);
    }
    if (s.tabWidth > 0)
        m_sqlWidth = s.tabWidth;
    if (s.gridHeight > 0)
        m_gridHeight = s.gridHeight;
    m_definition->setColors(fromBgr(s.definitionBackColor, true),
                            fromBgr(s.definitionFontColor, false));
    m_source->setColors(fromBgr(s.sourceBackColor, true), fromBgr(s.sourceFontColor, false));
    m_sql->setColors(fromBgr(s.sqlBackColor, true), fromBgr(s.sqlFontColor, false));
    m_sql->setTabWidth(s.sqlTabCnt > 0 ? s.sqlTabCnt : 4);
    m_sql->setShowLineEndMarks(s.sqlEnterMark);
    m_sql->setShowEofMark(s.sqlEofMark);
    m_sql->setShowLineNumbers(s.sqlLineNumber);
    const bool count = s.dataCountFlg == 1;
    m_countLabel->setVisible(count);
    m_count->setVisible(count);
    m_nameLabel->move(count ? 168 : 12, m_nameLabel->y());
    m_name->move(count ? 272 : 116, m_name->y());
    m_dm.runner.setRowCounting(count);
    m_dm.runner.setLineSeparator(s.lineSeparator);
    layoutSecondaryWindows();
    m_applyingSettings = false;
    layoutPanes();
}

void TKelvoran::layoutSecondaryWindows() {
    // Position and size by layout mode (0 XGA, 1 SVGA): top, left, height, width.
    struct Layout {
        const char *name;
        int xga[4];
        int svga[4];
    };
    static const Layout layouts[] = {
        {"TErrSourceForm", {17, 37, 711, 965}, {11, 14, 538, 770}},
        {"TSQLConditionEditForm", {42, 21, 655, 984}, {9, 7, 529, 790}},
        {"TExcelSettingForm", {15, 27, 698, 980}, {6, 14, 535, 784}},
    };
    const bool svga = m_dm.settings.xgaSvgaMode == 1;
    for (const Layout &l : layouts) {
        if (PlaceholderForm *form = placeholder(QString::fromLatin1(l.name))) {
            const int *v = svga ? l.svga : l.xga;
            form->move(v[1], v[0]);
            form->resize(v[3], v[2]);
        }
    }
}

void TKelvoran::collectSettings() {
    AppSettings &s = m_dm.settings;
    s.formTop = y();
    s.formLeft = x();
    s.formHeight = height();
    s.formWidth = width();
    s.tabWidth = m_sqlWidth;
    s.gridHeight = m_gridHeight;
    s.definitionBackColor = toBgr(m_definition->backgroundColor());
    s.definitionFontColor = toBgr(m_definition->textColor());
    s.sourceBackColor = toBgr(m_source->backgroundColor());
    s.sourceFontColor = toBgr(m_source->textColor());
    s.sqlBackColor = toBgr(m_sql->backgroundColor());
    s.sqlFontColor = toBgr(m_sql->textColor());
    s.sqlTabCnt = m_sql->tabWidth();
    s.sqlEnterMark = m_sql->showLineEndMarks();
    s.sqlEofMark = m_sql->showEofMark();
    s.sqlLineNumber = m_sql->showLineNumbers();
    s.kelvoranDataDir = m_dm.paths.lastFilePath;
}

void TKelvoran::closeEvent(QCloseEvent *event) {
    if (m_shownOnce) {
        collectSettings();
        AppSettingsStore store(m_settingsPath);
        Status saved = store.save(m_dm.settings);
        if (!saved)
            inform(saved.error().message, MessageIcon::Error);
    }
    for (QWidget *w : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (w->isWindow())
            w->hide();
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Panes

void TKelvoran::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    if (m_applyingSettings)
        return;
    const int base = m_body->width();
    const int formHeight = height();
    if (m_sqlWidth <= 2)
        m_sqlWidth = 3;
    if (m_sqlWidth > base - 6)
        m_sqlWidth = base - 6;
    m_gridHeight = qBound(50, m_gridHeight, qMax(50, formHeight - 110));
    if (m_sqlState == 1)
        m_sqlWidth = 3;
    else if (m_sqlState == 2)
        m_sqlWidth = base - 6;
    if (m_gridState == 1)
        m_gridHeight = 50;
    else if (m_gridState == 2)
        m_gridHeight = formHeight - 110;
    layoutPanes();
}

void TKelvoran::layoutPanes() {
    if (!m_body)
        return;
    const int w = m_body->width();
    const int h = m_body->height();
    m_header->setGeometry(0, 0, w, kHeaderHeight);
    const int right = w - 4;
    int rx = right;
    for (const char *n : {"SpeedButton11", "SpeedButton10", "SpeedButton9"}) {
        rx -= 32;
        m_buttons[QString::fromLatin1(n)]->setGeometry(rx, 6, 30, 30);
    }
    const int navWidth = m_navigator->sizeHint().width();
    m_navigator->setGeometry(rx - navWidth - 8, 10, navWidth, 22);
    const int gridTop = qMax(kHeaderHeight, h - m_gridHeight);
    m_gridPanel->setGeometry(0, gridTop, w, h - gridTop);
    m_gridTitle->setGeometry(0, 0, w, kGridTitleHeight);
    m_grid->setGeometry(0, kGridTitleHeight, w, qMax(0, m_gridPanel->height() - kGridTitleHeight));
    const int upperHeight = gridTop - kHeaderHeight;
    const int sqlWidth = qBound(0, m_sqlWidth, w);
    m_sqlPanel->setGeometry(w - sqlWidth, kHeaderHeight, sqlWidth, upperHeight);
    m_pages->setGeometry(kSplitStrip, 0, qMax(0, sqlWidth - kSplitStrip), upperHeight);
    m_treePanel->setGeometry(0, kHeaderHeight, w - sqlWidth, upperHeight);
    const int tw = m_treePanel->width();
    m_search->setGeometry(64, 2, qMax(20, tw - 3 - 64), 22);
    m_tree->setGeometry(0, 26, tw, qMax(0, upperHeight - 26));
    m_searchResult->setGeometry(m_tree->geometry());
}

void TKelvoran::finishSqlDrag(int x) {
    m_dragging = false;
    const int base = m_body->width();
    int width = m_sqlWidth - x;
    if (width <= 2) {
        width = 3;
        m_sqlState = 1;
    } else if (width > base - 6) {
        width = base - 6;
        m_sqlState = 2;
    } else {
        m_sqlState = 0;
    }
    m_sqlWidth = width;
    layoutPanes();
}

void TKelvoran::finishGridDrag(int y, bool overTitle) {
    m_dragging = false;
    int height = m_gridHeight - y;
    if (height > this->height() - 110) {
        height = this->height() - 110;
        m_gridState = 2;
    } else if (overTitle && height < 50) {
        height = 50;
        m_gridState = 1;
    } else if (!overTitle && height <= 52) {
        height = 53;
        m_gridState = 1;
    } else {
        m_gridState = 0;
    }
    m_gridHeight = height;
    layoutPanes();
}

QString TKelvoran::paddedHeading(const QString &text, int width) {
    return kelvoran::paddedHeading(text, width);
}

void TKelvoran::padAnalyzeHeadings() {
    for (int c = 1; c <= 2; ++c) {
        QTableWidgetItem *item = m_analyze->item(0, c);
        if (!item) {
            item = new QTableWidgetItem;
            m_analyze->setItem(0, c, item);
        }
        item->setFlags(Qt::ItemIsEnabled);
        item->setText(kelvoran::paddedHeading(analyzeColHeading(c), m_analyze->columnWidth(c)));
    }
}

bool TKelvoran::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == m_sqlPanel || watched == m_gridPanel || watched == m_gridTitle) {
        auto *w = static_cast<QWidget *>(watched);
        if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress ||
            type == QEvent::MouseButtonRelease) {
            auto *me = static_cast<QMouseEvent *>(event);
            const QPoint p = me->position().toPoint();
            const bool vertical = watched == m_sqlPanel;
            const bool inStrip = vertical ? (p.x() >= 0 && p.x() < kSplitStrip)
                                          : (p.y() >= 0 && p.y() < kSplitStrip);
            if (type == QEvent::MouseMove && !m_dragging)
                w->setCursor(inStrip ? (vertical ? Qt::SplitHCursor : Qt::SplitVCursor)
                                     : Qt::ArrowCursor);
            if (type == QEvent::MouseButtonPress && inStrip && me->button() == Qt::LeftButton) {
                m_dragging = true;
                return true;
            }
            if (type == QEvent::MouseButtonRelease && m_dragging) {
                if (vertical) {
                    finishSqlDrag(p.x());
                } else {
                    const QPoint inGrid = w->mapTo(m_gridPanel, p);
                    finishGridDrag(inGrid.y(), m_gridTitle->geometry().contains(inGrid));
                }
                return true;
            }
        }
        return false;
    }
    if (watched == m_tree->viewport() && type == QEvent::MouseMove && !m_dragging) {
        // Over the tree the left 2 pixels show the normal cursor; elsewhere the position counts
        // as the form's, which shows the split cursor next to the vertical boundary.
        const QPoint p = static_cast<QMouseEvent *>(event)->position().toPoint();
        const QPoint inBody = m_tree->viewport()->mapTo(m_body, p);
        const bool nearBoundary = p.x() >= 2 && inBody.x() >= m_sqlPanel->x() - kSplitStrip &&
                                  inBody.x() < m_sqlPanel->x() + kSplitStrip;
        m_tree->viewport()->setCursor(nearBoundary ? Qt::SplitHCursor : Qt::ArrowCursor);
        return false;
    }
    if (watched == m_search && (type == QEvent::FocusIn || type == QEvent::FocusOut)) {
        // Aqua (0x00FFFF00 as 0x00BBGGRR) while the search box has the focus.
        QPalette p = m_search->palette();
        p.setColor(QPalette::Base, type == QEvent::FocusIn
                                       ? QColor(0, 255, 255)
                                       : QApplication::palette(m_search).color(QPalette::Base));
        m_search->setPalette(p);
        return false;
    }
    if (watched == m_analyze->viewport() && type == QEvent::MouseButtonRelease) {
        padAnalyzeHeadings();
        return false;
    }
    if (type != QEvent::KeyPress)
        return false;
    auto *ke = static_cast<QKeyEvent *>(event);
    const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
    if (watched == m_search) {
        if (enter) {
            runCommand([this] { searchTree(); });
            return true;
        }
        if (ke->key() == Qt::Key_Escape) {
            m_searchResult->hide();
            return true;
        }
    } else if (watched == m_searchResult) {
        if (enter) {
            runCommand([this] { searchResultEnter(); });
            return true;
        }
        if (ke->key() == Qt::Key_Escape) {
            m_searchResult->hide();
            return true;
        }
    } else if (watched == m_tree) {
        if (enter && m_tree->currentItem()) {
            QTreeWidgetItem *item = m_tree->currentItem();
            runCommand([this, item] { treeClicked(item); });
            return true;
        }
    } else if (watched == m_sql && enter && !(ke->modifiers() & Qt::ShiftModifier)) {
        // Auto-indent: the new line starts with the indentation of the caret line.
        const QString line = m_sql->textCursor().block().text();
        int indent = 0;
        while (indent < line.size() && line.at(indent) == u' ')
            ++indent;
        QTextCursor c = m_sql->textCursor();
        c.insertText(QStringLiteral("\n") + QString(indent, u' '));
        m_sql->setTextCursor(c);
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Menus and tabs

TextEditor *TKelvoran::activeEditor() const {
    switch (m_pages->currentIndex()) {
    case DefinitionTab:
        return m_definition;
    case SourceTab:
        return m_source;
    case SqlTab:
        return m_sql;
    default:
        return nullptr;
    }
}

bool TKelvoran::editorBlank(TextEditor *editor) const {
    return !editor || blank(editor->lines());
}

void TKelvoran::tabChanged(int index) {
    const bool sqlTab = index == SqlTab;
    for (const char *n : {"SpeedButton9", "SpeedButton10", "SpeedButton11"}) {
        auto it = m_buttons.find(QString::fromLatin1(n));
        if (it != m_buttons.end())
            it->second->setEnabled(sqlTab);
    }
    if (!m_actions.empty()) {
        updateFileMenu();
        updateEditMenu();
    }
}

void TKelvoran::updateFileMenu() {
    if (TextEditor *e = activeEditor()) {
        const bool hasText = !e->toPlainText().isEmpty();
        action(QStringLiteral("Save"))->setEnabled(hasText);
        action(QStringLiteral("Print"))->setEnabled(hasText);
    }
    const bool tableOpen = m_dm.table && m_grid->model() == m_dm.table.get();
    const bool queryOpen =
        m_dm.runner.resultModel()->isOpen() && m_grid->model() == m_dm.runner.resultModel();
    action(QStringLiteral("CsvExport"))->setEnabled(tableOpen || queryOpen);
    action(QStringLiteral("CsvExportSave"))->setEnabled(tableOpen || queryOpen);
    const bool importKind = m_dm.kind == DbKind::Oracle || m_dm.kind == DbKind::Access ||
                            m_dm.kind == DbKind::MySql || m_dm.kind == DbKind::Excel;
    action(QStringLiteral("CsvImport"))->setEnabled(tableOpen && importKind);
    action(QStringLiteral("CsvImportSave"))->setEnabled(tableOpen && importKind);
}

void TKelvoran::updateEditMenu() {
    const int tab = m_pages->currentIndex();
    TextEditor *e = activeEditor();
    const bool selected = e && e->textCursor().hasSelection();
    auto set = [this](const char *n, bool on) { action(QString::fromLatin1(n))->setEnabled(on); };
    set("CUT", tab == SqlTab && selected);
    set("COPY", tab != AnalyzeColTab && selected);
    set("Undo", m_sql->isModified());
    set("Redo", m_sql->canRedo());
    set("PASTE", tab == SqlTab);
    set("CLEAR", tab == SqlTab);
    set("SELECTALL", tab != AnalyzeColTab);
    if (tab != AnalyzeColTab) {
        set("Find", true);
        set("FindNext", true);
        set("Replace", tab == SqlTab);
        set("PopupReplace", tab == SqlTab);
    }
    set("RunSql", tab == SqlTab);
    const bool tableOpen = m_dm.table != nullptr;
    const bool queryOpen = m_dm.runner.resultModel()->isOpen();
    set("FieldNames", tableOpen || queryOpen);
    set("ExcelOut", m_grid->model() && m_grid->model()->columnCount() > 0);
}

void TKelvoran::updateViewMenu() {
    QTreeWidgetItem *node = m_tree->currentItem();
    const bool object = node && levelOf(node) == 2;
    const QString folder = object ? node->parent()->text(0) : QString();
    const bool plsql = folder == u"Procedure" || folder == u"Function" || folder == u"Package" ||
                       folder == u"Package Body";
    // The error items: only for a unit that USER_ERRORS holds at least one row for.
    bool errors = false;
    if (plsql) {
        if (std::optional<QSqlDatabase> db = m_dm.session.findConnection(rootOf(node)->text(0))) {
            Result<int> count = loadErrorCount(*db, node->text(0), folder);
            errors = count && *count > 0;
        }
    }
    action(QStringLiteral("ErrMessage"))->setEnabled(errors);
    action(QStringLiteral("ErrSource"))->setEnabled(errors);
    const bool index =
        folder == u"Table" && (m_dm.kind == DbKind::Oracle || m_dm.kind == DbKind::MySql);
    action(QStringLiteral("IndexList"))->setEnabled(index);
}

// ---------------------------------------------------------------------------------------------
// Edit commands

void TKelvoran::editCommand(const QString &word) {
    const int tab = m_pages->currentIndex();
    if (tab == AnalyzeColTab)
        return;
    TextEditor *e = activeEditor();
    if ((word == u"UNDO" || word == u"REDO") && (tab != SqlTab || !isActiveWindow()))
        return;
    if (word == u"CUT")
        e->cut();
    else if (word == u"COPY")
        e->copy();
    else if (word == u"PASTE") {
        e->paste();
        e->ensureCursorVisible();
    } else if (word == u"CLEAR")
        e->clearSelection();
    else if (word == u"SELECTALL")
        e->selectAll();
    else if (word == u"UNDO")
        e->undo();
    else if (word == u"REDO")
        e->redo();
    if (tab == SqlTab)
        m_sql->setFocus();
}

// ---------------------------------------------------------------------------------------------
// Tree

int TKelvoran::levelOf(const QTreeWidgetItem *node) {
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

QTreeWidgetItem *TKelvoran::rootOf(QTreeWidgetItem *node) {
    while (node && node->parent())
        node = node->parent();
    return node;
}

QTreeWidgetItem *TKelvoran::folderOf(QTreeWidgetItem *node) {
    const int level = levelOf(node);
    if (level == 1)
        return node;
    if (level == 2)
        return node->parent();
    return nullptr;
}

void TKelvoran::listAliases() {
    QStringList names = m_dm.session.aliasNames();
    db::sortAsTree(names);
    QList<QTreeWidgetItem *> roots;
    for (const QString &name : names) {
        auto *item = new QTreeWidgetItem(QStringList{name});
        item->setIcon(0, treeImage(db::AliasOrObjectImageIndex));
        roots << item;
    }
    m_tree->addTopLevelItems(roots);
    if (!roots.isEmpty()) {
        m_tree->setCurrentItem(roots.first());
        m_dm.currentAliasNode = roots.first();
    }
}

void TKelvoran::setContext(QTreeWidgetItem *node) {
    m_dm.currentAliasNode = rootOf(node);
    m_dm.currentFolderNode = folderOf(node);
}

void TKelvoran::readDriverName(QTreeWidgetItem *aliasNode) {
    Result<QString> driver = m_dm.session.driverName(aliasNode->text(0));
    if (!driver)
        throw DbException(DbError(DbErrorEntry::make(
            DbErrorCategory::Connection, DbSubCode::UnknownAlias, 0, driver.error().message)));
    m_dm.driverName = *driver;
    m_dm.kind = dbKindFromDriverName(*driver);
}

void TKelvoran::expandAlias(QTreeWidgetItem *aliasNode) {
    readDriverName(aliasNode);
    std::vector<db::ObjectKind> kinds = db::objectKindsFor(m_dm.kind);
    std::sort(kinds.begin(), kinds.end(), [](const db::ObjectKind &a, const db::ObjectKind &b) {
        return QString::localeAwareCompare(a.folder, b.folder) < 0;
    });
    QList<QTreeWidgetItem *> folders;
    for (const db::ObjectKind &k : kinds) {
        auto *item = new QTreeWidgetItem(QStringList{k.folder});
        item->setIcon(0, treeImage(k.image));
        folders << item;
    }
    aliasNode->addChildren(folders);
    m_tree->setCurrentItem(aliasNode);
}

void TKelvoran::treeClicked(QTreeWidgetItem *node) {
    if (!node)
        return;
    statusBar()->clearMessage();
    m_grid->setVisible(true);
    resetAnalyzeCol();
    m_dm.gridShowsSqlResult = false;
    QTreeWidgetItem *alias = rootOf(node);
    if (m_dm.clickedOnce && alias == m_dm.currentAliasNode &&
        node->text(0) == m_dm.lastClickedText && node->childCount() > 0)
        return;
    m_dm.clickedOnce = true;
    m_dm.lastClickedText = node->text(0);
    setContext(node);
    const int level = levelOf(node);
    if (level == 0) {
        readDriverName(node);
        if (node->childCount() == 0)
            expandAlias(node);
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = nullptr;
    } else if (level == 1) {
        readDriverName(alias);
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = node;
    } else {
        const QString folder = node->parent()->text(0);
        if (folder == u"Table" || folder == u"View" || folder == u"Synonym") {
            m_name->setText(node->text(0));
            m_dm.reportSourceMode = 1;
        } else {
            m_dm.reportSourceMode = 2;
        }
        m_dm.clickedFolderNode = node->parent();
        readDriverName(alias);
    }
    m_dm.selectedNode = node;
    loadContent(node);
}

void TKelvoran::treeRightClicked(QTreeWidgetItem *node) {
    if (!m_dm.clickedOnce || !node)
        return;
    QTreeWidgetItem *alias = rootOf(node);
    if (alias == m_dm.currentAliasNode && node->text(0) == m_dm.lastClickedText &&
        node->childCount() > 0)
        return;
    m_dm.lastClickedText = node->text(0);
    setContext(node);
    const int level = levelOf(node);
    readDriverName(alias);
    if (level == 0) {
        if (node->childCount() == 0)
            expandAlias(node);
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = nullptr;
    } else if (level == 1) {
        m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = node;
    } else {
        const QString folder = node->parent()->text(0);
        if (!(folder == u"Table" || folder == u"View" || folder == u"Synonym"))
            m_dm.reportSourceMode = 2;
        m_dm.clickedFolderNode = node->parent();
    }
}

void TKelvoran::listFolder(QTreeWidgetItem *folder) {
    const QString alias = rootOf(folder)->text(0);
    std::optional<db::ObjectKind> kind = db::objectKindFor(m_dm.kind, folder->text(0));
    if (!kind)
        return;
    m_tree->setVisible(false);
    m_tree->setUpdatesEnabled(false);
    DbResult<QStringList> objects = db::folderObjects(m_dm.session, alias, m_dm.kind, *kind);
    if (objects) {
        QList<QTreeWidgetItem *> items;
        items.reserve(int(objects->size()));
        const QIcon icon = treeImage(db::AliasOrObjectImageIndex);
        for (const QString &name : *objects) {
            auto *item = new QTreeWidgetItem(QStringList{name});
            item->setIcon(0, icon);
            items << item;
        }
        folder->addChildren(items);
    }
    m_tree->setUpdatesEnabled(true);
    m_tree->setVisible(true);
    m_tree->setCurrentItem(folder);
    if (!objects)
        throw DbException(objects.error());
}

void TKelvoran::loadContent(QTreeWidgetItem *node) {
    const int level = levelOf(node);
    const QString alias = rootOf(node)->text(0);
    if (level == 1 && node->childCount() == 0) {
        listFolder(node);
    } else if (level == 2) {
        const QString folder = node->parent()->text(0);
        const QString name = node->text(0);
        const bool dataKind = folder == u"Table" || folder == u"View" || folder == u"Synonym";
        if (m_dm.kind == DbKind::Oracle) {
            if (dataKind) {
                if (m_dm.runner.rowCounting())
                    showRowCount(name);
                m_definition->setLines({QString()});
                m_source->setLines({QString()});
                std::exception_ptr describeError;
                try {
                    describe(node);
                } catch (...) {
                    describeError = std::current_exception();
                }
                openTable(alias, name);
                fillAnalyzeColFromGrid();
                if (describeError)
                    std::rethrow_exception(describeError);
            } else {
                m_definition->setLines({QString()});
                m_source->setLines({QString()});
                describe(node);
            }
        } else if (folder == u"Table") {
            if (m_dm.runner.rowCounting())
                showRowCount(name);
            openTable(alias, name);
            m_definition->setLines({QString()});
            m_source->setLines({QString()});
            fillAnalyzeColFromGrid();
            if (m_dm.kind == DbKind::MySql)
                describe(node);
        }
    }
    m_definition->moveCursor(QTextCursor::Start);
    m_source->moveCursor(QTextCursor::Start);
}

void TKelvoran::describe(QTreeWidgetItem *node) {
    const QString alias = rootOf(node)->text(0);
    std::optional<db::ObjectKind> kind = db::objectKindFor(m_dm.kind, node->parent()->text(0));
    if (!kind)
        return;
    db::DescribeResult r = db::describeObject(m_dm.session, alias, m_dm.kind, *kind, node->text(0));
    m_definition->setLines(r.definition.lines());
    m_source->setLines(r.source.lines());
    if (r.error)
        throw DbException(*r.error);
}

void TKelvoran::showRowCount(const QString &table) {
    const QString alias = m_dm.currentAliasNode->text(0);
    RowCount count = m_dm.runner.countRows(alias, {table}, false);
    for (const QString &m : count.messages)
        inform(m, MessageIcon::Error);
    setRowCountBox(count.ok ? count.count : -1);
}

void TKelvoran::setRowCountBox(qint64 count) {
    m_count->setText(QString::number(count));
}

void TKelvoran::closeTable() {
    if (m_grid && m_dm.table && m_grid->model() == m_dm.table.get())
        m_grid->setModel(nullptr);
    m_dm.table.reset();
    m_dm.tableAlias.clear();
}

void TKelvoran::showGridModel(QAbstractItemModel *model) {
    m_grid->setModel(model);
    m_navigator->updateButtons();
}

void TKelvoran::openTable(const QString &alias, const QString &table) {
    m_dataShowForm->close();
    closeTable();
    DbResult<QSqlDatabase> db = m_dm.session.connection(alias);
    if (!db) {
        showGridModel(nullptr);
        throw DbException(db.error());
    }
    auto model = std::make_unique<QSqlTableModel>(nullptr, *db);
    model->setEditStrategy(QSqlTableModel::OnFieldChange);
    model->setTable(table);
    if (!model->select()) {
        DbError error = DbError::fromSqlError(model->lastError(), nativeCodeFormOf(db->driver()));
        showGridModel(nullptr);
        if (error.isEmpty())
            error.append(
                DbErrorEntry::make(DbErrorCategory::Statement, DbSubCode::Server, 0, table));
        throw DbException(error);
    }
    m_dm.table = std::move(model);
    m_dm.tableAlias = alias;
    showGridModel(m_dm.table.get());
}

void TKelvoran::refreshTree() {
    QTreeWidgetItem *node = m_tree->currentItem();
    if (!node)
        return;
    const int level = levelOf(node);
    if (level == 2) {
        node = node->parent();
        m_tree->setCurrentItem(node);
    }
    qDeleteAll(node->takeChildren());
    m_dm.lastClickedText.clear();
    treeClicked(node);
}

void TKelvoran::closeSession() {
    if (QTreeWidgetItem *aliasNode = m_dm.currentAliasNode) {
        const QString alias = aliasNode->text(0);
        if (m_dm.tableAlias == alias)
            closeTable();
        m_dm.runner.closeAlias(alias);
        if (m_dm.session.findConnection(alias))
            m_dm.session.closeConnection(alias);
        if (m_grid->model() == m_dm.runner.resultModel())
            showGridModel(nullptr);
        m_dm.selectedNode = nullptr;
        m_dm.currentFolderNode = nullptr;
        m_dm.clickedFolderNode = nullptr;
        m_tree->setCurrentItem(aliasNode);
        qDeleteAll(aliasNode->takeChildren());
        m_dm.lastClickedText.clear();
    }
    resetAnalyzeCol();
    m_count->clear();
    m_name->clear();
}

void TKelvoran::expandAll() {
    m_tree->expandAll();
}

void TKelvoran::collapseAll() {
    QTreeWidgetItem *selected = m_tree->currentItem();
    m_tree->collapseAll();
    if (selected)
        m_tree->setCurrentItem(rootOf(selected));
}

void TKelvoran::expandSelected() {
    QTreeWidgetItem *node = m_tree->currentItem();
    if (node && !node->isExpanded() && node->childCount() > 0)
        node->setExpanded(true);
}

void TKelvoran::collapseSelected() {
    QTreeWidgetItem *node = m_tree->currentItem();
    if (!node || !node->parent())
        return;
    if (node->isExpanded()) {
        node->setExpanded(false);
    } else {
        node->parent()->setExpanded(false);
        m_tree->setCurrentItem(node->parent());
    }
}

// ---------------------------------------------------------------------------------------------
// Search

void TKelvoran::searchTree() {
    m_searchResult->clear();
    QTreeWidgetItem *folder = m_dm.currentFolderNode;
    if (!folder) {
        m_searchResult->hide();
        return;
    }
    const QString key = m_search->text().toUpper();
    QStringList hits;
    for (int i = 0; i < folder->childCount(); ++i) {
        const QString text = folder->child(i)->text(0);
        if (text.toUpper().contains(key))
            hits << text;
    }
    if (hits.isEmpty()) {
        if (!m_search->text().isEmpty())
            inform(u'"' + m_search->text() + u'"' +
                   QStringLiteral("  を含むオブジェクトが見つかりませんでした。     "));
        m_searchResult->hide();
        return;
    }
    m_searchResult->addItems(hits);
    m_searchResult->setGeometry(m_tree->geometry());
    m_searchResult->show();
    m_searchResult->raise();
}

void TKelvoran::searchResultEnter() {
    m_searchResult->clear();
    QTreeWidgetItem *folder = m_dm.clickedFolderNode;
    if (!folder) {
        m_searchResult->hide();
        return;
    }
    const QString key = m_search->text();
    for (int i = 0; i < folder->childCount(); ++i) {
        const QString text = folder->child(i)->text(0);
        if (text.contains(key))
            m_searchResult->addItem(text);
    }
}

void TKelvoran::searchResultChosen(const QString &text) {
    QTreeWidgetItem *folder = m_dm.currentFolderNode;
    if (!folder)
        return;
    for (int i = 0; i < folder->childCount(); ++i) {
        if (folder->child(i)->text(0) == text) {
            m_tree->setCurrentItem(folder->child(i));
            treeClicked(folder->child(i));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// AnalyzeCol

void TKelvoran::resetAnalyzeCol() {
    fillAnalyzeCol({});
}

void TKelvoran::fillAnalyzeCol(const std::vector<SelectItem> &items) {
    const std::vector<AnalyzeColRow> rows = analyzeColRows(items);
    m_analyze->setRowCount(int(rows.size()) + 1);
    for (int r = 1; r <= int(rows.size()); ++r) {
        const AnalyzeColRow &row = rows[size_t(r - 1)];
        m_analyze->setItem(r, 0, new QTableWidgetItem(row.number));
        m_analyze->setItem(r, 1, new QTableWidgetItem(row.physicalName));
        m_analyze->setItem(r, 2, new QTableWidgetItem(row.alias));
    }
    padAnalyzeHeadings();
}

void TKelvoran::fillAnalyzeColFromGrid() {
    QStringList fields;
    if (QAbstractItemModel *model = m_grid->model()) {
        QSqlRecord record;
        if (auto *table = qobject_cast<QSqlTableModel *>(model))
            record = table->record();
        else if (model == m_dm.runner.resultModel())
            record = m_dm.runner.resultModel()->record();
        for (int i = 0; i < record.count(); ++i)
            fields << record.fieldName(i);
    }
    fillAnalyzeCol(fieldNameItems(fields));
}

void TKelvoran::stripAnalyzeAliasQuotes() {
    std::vector<AnalyzeColRow> rows;
    auto text = [this](int r, int c) {
        return m_analyze->item(r, c) ? m_analyze->item(r, c)->text() : QString();
    };
    for (int r = 1; r < m_analyze->rowCount(); ++r)
        rows.push_back({text(r, 0), text(r, 1), text(r, 2)});
    rows = withAliasQuotesStripped(std::move(rows));
    for (int r = 1; r < m_analyze->rowCount(); ++r)
        m_analyze->item(r, 2)->setText(rows[size_t(r - 1)].alias);
}

void TKelvoran::replaceWithFieldNames() {
    if (!m_dm.table && !m_dm.runner.resultModel()->isOpen())
        return;
    fillAnalyzeColFromGrid();
    std::vector<AnalyzeColRow> rows;
    for (int r = 1; r < m_analyze->rowCount(); ++r)
        rows.push_back({QString(), m_analyze->item(r, 1)->text(), QString()});
    replaceSelectList(m_dm.analysis, rows);
}

// ---------------------------------------------------------------------------------------------
// SQL tab

void TKelvoran::runSql() {
    if (!isActiveWindow() || m_pages->currentIndex() != SqlTab || m_sql->toPlainText().isEmpty())
        return;
    statusBar()->clearMessage();
    m_dm.gridShowsSqlResult = true;
    const QStringList lines = m_sql->lines();
    if (m_sql->canUndo() && !blank(lines))
        m_dm.history.record(lines);
    m_dataShowForm->close();
    if (!m_dm.currentAliasNode)
        return;
    const QString alias = m_dm.currentAliasNode->text(0);
    readDriverName(m_dm.currentAliasNode);
    m_dm.analysis = AnalyzeSelect(lines, m_dm.kind == DbKind::Oracle);
    fillAnalyzeCol(m_dm.analysis.items);
    const StatementClass cls = statementClassOf(int(m_dm.analysis.statementKind));
    if (cls == StatementClass::Query || cls == StatementClass::Show) {
        showGridModel(nullptr);
        closeTable();
    }
    SqlRunInput input = makeSqlRunInput(alias, lines, m_dm.analysis, m_dm.table != nullptr);
    const SqlRunResult result = m_dm.runner.run(input);
    if (!result.ran)
        return;
    const SqlRunOutcome outcome = sqlRunOutcome(result, input.tableOpen);
    if (cls == StatementClass::Query || cls == StatementClass::Show)
        showGridModel(m_dm.runner.resultModel());
    if (outcome.rowCountBoxChanged)
        setRowCountBox(outcome.rowCount);
    if (outcome.nameBox)
        m_name->setText(*outcome.nameBox);
    if (outcome.reportSourceMode)
        m_dm.reportSourceMode = *outcome.reportSourceMode;
    if (outcome.emptyAnalyzeCol)
        resetAnalyzeCol();
    if (outcome.analyzeColFromGrid)
        fillAnalyzeColFromGrid();
    stripAnalyzeAliasQuotes();
    for (const QString &m : result.messages)
        inform(m, isCompletionMessage(m) ? MessageIcon::Information : MessageIcon::Error);
}

void TKelvoran::historyBack() {
    HistoryStep step = m_dm.history.back(blank(m_sql->lines()));
    if (step.action == HistoryStep::ClearEditor)
        m_sql->clear();
    else if (step.action == HistoryStep::LoadLines)
        m_sql->setLines(step.lines);
}

void TKelvoran::historyForward() {
    HistoryStep step = m_dm.history.forward(blank(m_sql->lines()));
    if (step.action == HistoryStep::ClearEditor)
        m_sql->clear();
    else if (step.action == HistoryStep::LoadLines)
        m_sql->setLines(step.lines);
}

// ---------------------------------------------------------------------------------------------
// Find and replace

void TKelvoran::startFind() {
    if (!isActiveWindow() || !activeEditor())
        return;
    m_replaceMode = false;
    m_findDialog->show();
    m_findDialog->raise();
}

void TKelvoran::startReplace() {
    if (m_pages->currentIndex() != SqlTab)
        return;
    m_replaceMode = true;
    m_replaceDialog->show();
    m_replaceDialog->raise();
}

void TKelvoran::findNextCommand() {
    if (!isActiveWindow() || m_lastFind.isEmpty())
        return;
    doFind();
}

void TKelvoran::doFind() {
    TextEditor *e = m_replaceMode ? m_sql : activeEditor();
    if (!e)
        return;
    FindDialog *d = m_replaceMode ? m_replaceDialog : m_findDialog;
    if (!d->findText().isEmpty())
        m_lastFind = d->findText();
    const QTextCursor before = e->textCursor();
    TextEditor::FindOptions opts{d->matchCase(), m_replaceMode || d->down()};
    const bool hit = e->findNext(m_lastFind, opts);
    e->setFocus();
    if (!m_replaceMode)
        m_findDialog->hide();
    if (!hit) {
        e->setTextCursor(before);
        inform(u'"' + m_lastFind + u'"' + QStringLiteral("  が見つかりませんでした。     "));
    }
}

void TKelvoran::doReplace(bool all) {
    const QString text = m_replaceDialog->findText();
    const QString replacement = m_replaceDialog->replaceText();
    if (text.isEmpty())
        return;
    m_lastFind = text;
    TextEditor::FindOptions opts{m_replaceDialog->matchCase(), true};
    int count = 0;
    if (all) {
        count = m_sql->replaceAll(text, replacement, opts);
    } else {
        bool askEach = true;
        const QTextCursor start = m_sql->textCursor();
        QTextCursor from = start;
        from.clearSelection();
        m_sql->setTextCursor(from);
        const Qt::CaseSensitivity cs = opts.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        while (true) {
            QTextDocument::FindFlags f;
            if (opts.matchCase)
                f |= QTextDocument::FindCaseSensitively;
            QTextCursor hit = m_sql->document()->find(text, m_sql->textCursor(), f);
            if (hit.isNull() || hit.selectedText().compare(text, cs) != 0)
                break;
            m_sql->setTextCursor(hit);
            int answer = QMessageBox::YesToAll;
            if (askEach)
                answer = m_askReplace(QStringLiteral(" 置換しますか？"));
            if (answer == QMessageBox::Abort)
                break;
            if (answer == QMessageBox::YesToAll)
                askEach = false;
            if (answer == QMessageBox::Yes || answer == QMessageBox::YesToAll) {
                hit.insertText(replacement);
                ++count;
            }
            QTextCursor next = m_sql->textCursor();
            next.setPosition(hit.selectionEnd());
            m_sql->setTextCursor(next);
        }
    }
    inform(QString::number(count) + QStringLiteral(" 個置換しました。"));
}

// ---------------------------------------------------------------------------------------------
// Files

void TKelvoran::activation() {
    m_dm.paths.pendingOpenPath = m_handOff->take();
    const QString path = m_dm.paths.pendingOpenPath.trimmed();
    if (path.isEmpty())
        return;
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    closeSecondaryWindows();
    openPath(path);
    m_dm.paths.pendingOpenPath.clear();
}

void TKelvoran::closeSecondaryWindows() {
    if (m_aboutBox->isVisible())
        m_aboutBox->accept();
    m_dataShowForm->close();
    for (auto &[name, form] : m_placeholders)
        form->close();
}

void TKelvoran::openPath(const QString &path) {
    const OpenKind kind = handOffKindOf(path);
    if (kind == OpenKind::SettingsFile) {
        m_scheduleForm->close();
        m_dm.paths.lastFilePath = path;
        m_dm.paths.pendingOpenPath = path;
        m_handOffOpen = true;
        openFile();
        m_handOffOpen = false;
    } else if (kind == OpenKind::ScheduleFile) {
        placeholder(QStringLiteral("TExcelSettingForm"))->close();
        Status loaded = m_scheduleForm->loadScheduleFile(path);
        if (!loaded)
            inform(kOpenError + loaded.error().message, MessageIcon::Error);
        else
            m_scheduleForm->show();
    }
    m_dm.paths.pendingOpenPath.clear();
}

void TKelvoran::openFile() {
    if (!isActiveWindow() && !m_handOffOpen)
        return;
    if (m_dm.paths.pendingOpenPath.isEmpty()) {
        const QString filter = QStringLiteral(
            "Kelvoran/Schedule/SQL/TXT files (*.kvr;*.kvs;*.sql;*.txt)|*.kvr;*.kvs;*.sql;*.txt|"
            "Kelvoran files (*.kvr)|*.kvr|Schedule files (*.kvs)|*.kvs|SQL files (*.sql)|*.sql|"
            "Text files (*.txt)|*.txt");
        const QStringList kinds{QStringLiteral("SQL"), QStringLiteral("TXT"), QStringLiteral("KVR"),
                                QStringLiteral("KVS")};
        m_defaultUi->setPreselectedPath(
            canPreselect(m_dm.paths.lastFilePath, kinds) ? m_dm.paths.lastFilePath : QString());
        for (;;) {
            const QString chosen = m_ui->chooseOpenFile(QString(), filter);
            if (chosen.isEmpty())
                return;
            if (openKindOf(chosen) != OpenKind::None) {
                m_dm.paths.pendingOpenPath = chosen;
                break;
            }
        }
    }
    const QString path = m_dm.paths.takePending();
    QString error;
    switch (openKindOf(path)) {
    case OpenKind::SettingsFile: {
        SettingsReadOptions options;
        options.aliases = m_dm.session.aliasNames();
        options.currentAlias = m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
        options.oracleHints = m_dm.kind == DbKind::Oracle;
        SettingsFileReader reader(options);
        ReportDefinition def;
        Status read = reader.readFile(path, def);
        m_sql->setLines(def.sqlLines);
        m_dm.definition = def;
        m_dm.analysis = reader.analysis();
        fillAnalyzeCol(m_dm.analysis.items);
        if (!read)
            error = read.error().message;
        break;
    }
    case OpenKind::ScheduleFile: {
        Status loaded = m_scheduleForm->loadScheduleFile(path);
        if (!loaded) {
            error = kOpenError + loaded.error().message;
        } else {
            m_scheduleForm->setStartFields(QDateTime::currentDateTime());
            m_scheduleForm->show();
        }
        break;
    }
    case OpenKind::SqlText: {
        m_dm.definition.clear();
        Result<QStringList> lines = readTextLines(path);
        if (!lines) {
            error = kOpenError + lines.error().message;
            break;
        }
        m_sql->setLines(*lines);
        m_sql->moveCursor(QTextCursor::Start);
        break;
    }
    case OpenKind::None:
        return;
    }
    if (!error.isEmpty())
        inform(error, MessageIcon::Error);
    else
        m_dm.paths.lastFilePath = path;
}

void TKelvoran::saveFile() {
    if (!isActiveWindow() || editorBlank(activeEditor()) || !activeEditor() ||
        activeEditor()->toPlainText().isEmpty())
        return;
    const int tab = m_pages->currentIndex();
    if (tab == SqlTab) {
        const QStringList lines = m_sql->lines();
        const bool oracle = m_dm.kind == DbKind::Oracle;
        SaveRequest request;
        request.mode = SettingsFileMode::Sql;
        request.sql = SqlSource::fromAnalysis(AnalyzeSelect(lines, oracle), lines);
        request.sql.editorLines = lines;
        request.presetAlias = m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
        ReportDefinition def = m_dm.definition;
        def.sqlLines = lines;
        SystemClock clock;
        Result<QString> saved = saveSettingsFile(def, request, *m_ui, clock);
        if (!saved)
            inform(QStringLiteral("設定保存中にエラーが発生しました。"), MessageIcon::Error);
        else if (!saved->isEmpty())
            m_dm.paths.lastFilePath = *saved;
        return;
    }
    const QString filter = tab == DefinitionTab
                               ? QStringLiteral("Text files (*.txt)|*.txt")
                               : QStringLiteral("Text files (*.txt)|*.txt|SQL files (*.sql)|*.sql");
    m_defaultUi->setPreselectedPath(canPreselect(m_dm.paths.lastFilePath, {QStringLiteral("TXT")})
                                        ? m_dm.paths.lastFilePath
                                        : QString());
    const QString path = m_ui->chooseSaveFile(QString(), filter);
    if (path.isEmpty())
        return;
    QStringList lines;
    for (const QString &l : activeEditor()->lines())
        lines << rightTrimmed(l);
    Status written = writeTextLines(path, lines);
    if (!written)
        inform(written.error().message, MessageIcon::Error);
    else
        m_dm.paths.lastFilePath = path;
}

void TKelvoran::printFile() {
    TextEditor *e = activeEditor();
    if (!isActiveWindow() || !e || e->toPlainText().isEmpty())
        return;
    QPrinter printer;
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printActiveEditor(&printer);
}

bool TKelvoran::printActiveEditor(QPrinter *printer) {
    TextEditor *e = activeEditor();
    if (!e || e->toPlainText().isEmpty())
        return false;
    QPainter painter;
    if (!painter.begin(printer))
        return false;
    painter.setFont(e->font());
    const QFontMetrics fm(painter.font(), printer);
    const int pageHeight = painter.viewport().height();
    int y = fm.ascent();
    for (const QString &line : e->lines()) {
        if (y > pageHeight) {
            printer->newPage();
            y = fm.ascent();
        }
        painter.drawText(0, y, line);
        y += fm.lineSpacing();
    }
    return painter.end();
}

void TKelvoran::gridDoubleClicked(const QModelIndex &index) {
    if (!index.isValid() || !m_grid->model())
        return;
    const QString field = m_grid->model()->headerData(index.column(), Qt::Horizontal).toString();
    m_dataShowForm->showField(index, field);
}

} // namespace kelvoran
