#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/conditionsetform.h"
#include "app/csvcommands.h"
#include "app/datashowform.h"
#include "app/dbnavigator.h"
#include "app/dialoginteraction.h"
#include "app/ditaildataform.h"
#include "app/errsourceform.h"
#include "app/excelreportcommand.h"
#include "app/excelsettingform.h"
#include "app/filecommands.h"
#include "app/findreplace.h"
#include "app/gridpane.h"
#include "app/instructionmanualform.h"
#include "app/logindialog.h"
#include "app/logshowform.h"
#include "app/objecttreepane.h"
#include "app/pathsettingform.h"
#include "app/reportdialogs.h"
#include "app/savedbparamsetform.h"
#include "app/scheduleform.h"
#include "app/scriptcommand.h"
#include "app/showdataform.h"
#include "app/singleinstance.h"
#include "app/sqlpane.h"
#include "core/pathrules.h"
#include "editor/texteditor.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

namespace kelvoran {

namespace {

constexpr int kHeaderHeight = 41;
constexpr int kSplitStrip = SqlPane::SplitterStrip;

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
    m_dm.runCommand = [this](const std::function<void()> &command) { runCommand(command); };
    m_loginPrompt = std::make_unique<DialogLoginPrompt>(this);
    m_dm.session.setLoginPrompt(m_loginPrompt.get());

    buildControls();
    // The named windows, created once in their fixed order after the main window.
    m_errSourceForm = new TErrSourceForm(m_dm, this);
    m_excelForm = new TExcelSettingForm(m_dm, this);
    m_dataShowForm = new TDataShowForm(this);
    m_showDataForm = new TShowDataForm(m_dm, this);
    m_connectionForm = new TSaveDBParamSetForm(m_dm.session, this);
    m_defaultUi = new DialogInteraction(this, m_connectionForm);
    m_ui = m_defaultUi;
    m_dm.ui = m_ui;
    m_manualForm = new TInstructionManualForm(m_dm.settings, m_settingsPath, this);
    m_scheduleForm = new TScheduleForm(m_dm, *m_connectionForm, this);
    m_conditionForm = new TConditionSetForm(m_dm, this);
    m_csv = new CsvCommands(this, m_dm, *m_gridPane, *m_defaultUi);
    m_excelReport = new ExcelReportCommand(m_dm, this);
    m_pathForm = new TPathSettingForm(this);
    m_ditailDataForm = new TDitailDataForm(m_dm, *m_defaultUi, this);
    m_logShowForm = new TLogShowForm(m_dm, this);
    m_aboutBox = new TAboutBox(this);
    m_scripts = new ScriptCommand(this, m_dm, *m_defaultUi); // TErrSQLForm, TErrSQLShowForm
    m_findReplace = new FindReplace(this, m_dm, *m_sqlPane);
    m_files = new FileCommands(this, m_dm, *m_sqlPane, *m_handOff, *m_defaultUi, *m_scheduleForm);

    buildMenus();
    buildToolbar();
    connectPanes();
    linkExcelSettingForm();
    linkPreferences();
    linkLogShowForm();

    // Form layout at creation: 983x715, centred; the stored geometry replaces it later.
    resize(983, 715);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_gridHeight = 340;
    m_sqlWidth = 721;
    tabChanged(SqlPane::DefinitionTab);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        // A handed-off file waits while a report runs; the next activation opens it.
        if (s == Qt::ApplicationActive && m_shownOnce && !m_excelReport->isRunning())
            runCommand([this] { m_files->activation(); });
    });
}

TKelvoran::~TKelvoran() {
    m_gridPane->releaseTable();
    m_dm.closeTable();
    delete m_defaultUi;
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
    m_dm.ui = m_ui;
}

void TKelvoran::buildControls() {
    m_body = new QWidget(this);
    setCentralWidget(m_body);
    m_header = new QWidget(m_body);
    m_header->setObjectName(QStringLiteral("PanelHeader"));
    m_treePane = new ObjectTreePane(m_dm, m_body);
    m_treePane->tree()->viewport()->installEventFilter(this);
    m_sqlPane = new SqlPane(m_dm, m_body);
    m_sqlPane->installEventFilter(this);
    m_gridPane = new GridPane(m_dm, m_body);
    m_gridPane->installEventFilter(this);
    m_gridPane->titleBar()->installEventFilter(this);
    m_navigator = new DbNavigator(m_gridPane, m_header);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
}

void TKelvoran::connectPanes() {
    ObjectTreePane *tree = m_treePane;
    SqlPane *pages = m_sqlPane;
    GridPane *grid = m_gridPane;
    auto gridColumns = [pages, grid] { pages->fillAnalyzeColFromGrid(grid->model()); };

    connect(tree, &ObjectTreePane::clickStarted, this, [this, pages, grid] {
        statusBar()->clearMessage();
        grid->grid()->setVisible(true);
        pages->resetAnalyzeCol();
    });
    connect(tree, &ObjectTreePane::menuRequested, this, [this](const QPoint &globalPos) {
        updateViewMenu();
        m_treePopup->popup(globalPos);
    });
    connect(tree, &ObjectTreePane::nameShown, grid, &GridPane::showName);
    connect(tree, &ObjectTreePane::rowCountShown, grid, &GridPane::showRowCount);
    connect(tree, &ObjectTreePane::linesDescribed, pages, &SqlPane::showDescription);
    connect(tree, &ObjectTreePane::linesDescribed, m_errSourceForm,
            &TErrSourceForm::resetErrorCount);
    connect(tree, &ObjectTreePane::contentLoaded, pages, &SqlPane::moveDescriptionToStart);
    connect(tree, &ObjectTreePane::tableOpening, m_dataShowForm, &QWidget::close);
    connect(tree, &ObjectTreePane::tableClosing, grid, &GridPane::releaseTable);
    connect(tree, &ObjectTreePane::gridModelChanged, grid, &GridPane::showModel);
    connect(tree, &ObjectTreePane::gridColumnsWanted, this, gridColumns);
    connect(tree, &ObjectTreePane::resultClosed, grid, &GridPane::releaseResult);
    connect(tree, &ObjectTreePane::sessionClosed, this, [pages, grid] {
        pages->resetAnalyzeCol();
        grid->clearBoxes();
    });

    connect(pages, &SqlPane::runStarted, this, [this] {
        statusBar()->clearMessage();
        m_dataShowForm->close();
    });
    connect(pages, &SqlPane::editorMenuRequested, this, [this](const QPoint &globalPos) {
        updateEditMenu();
        m_tabPopup->popup(globalPos);
    });
    connect(pages, &SqlPane::gridModelChanged, grid, &GridPane::showModel);
    connect(pages, &SqlPane::nameShown, grid, &GridPane::showName);
    connect(pages, &SqlPane::rowCountShown, grid, &GridPane::showRowCount);
    connect(pages, &SqlPane::gridColumnsWanted, this, gridColumns);
    connect(pages->pages(), &QTabWidget::currentChanged, this, &TKelvoran::tabChanged);

    connect(grid, &GridPane::cellChosen, m_dataShowForm, &TDataShowForm::showField);

    connect(m_files, &FileCommands::secondaryWindowsClosing, this,
            &TKelvoran::closeSecondaryWindows);
    connect(m_files, &FileCommands::scheduleFileArriving, m_excelForm, &QDialog::reject);
    connect(m_scheduleForm, &TScheduleForm::csvOptionsChanged, m_csv, &CsvCommands::setOptions);
    connect(m_files, &FileCommands::excelSettingsLoaded, this,
            [this] { m_excelForm->showLoaded(m_dm.definition); });
}

void TKelvoran::linkExcelSettingForm() {
    DesignerLinks links;
    links.selectItems = [this] { return m_sqlPane->analyzeItems(); };
    links.sqlLines = [this] { return m_sqlPane->sqlEditor()->lines(); };
    links.setSqlLines = [this](const QStringList &lines) { m_sqlPane->loadSql(lines, false); };
    links.loadSettingsFile = [this](const QString &path) {
        return m_files->openSettingsFile(path);
    };
    links.runReport = [this](ReportDefinition &def) { runDesignerReport(def); };
    links.csvForm = m_csv->settingForm();
    links.dialogs = m_defaultUi;
    m_excelForm->setLinks(std::move(links));
}

void TKelvoran::runDesignerReport(ReportDefinition &def) {
    // A relative template path is taken from the folder of the report file last opened.
    const QString lastFile = m_dm.paths.lastFilePath;
    const ExcelReportSource source = ExcelReportCommand::currentSource(
        m_dm, m_sqlPane->sqlEditor()->lines(),
        hasExtension(QStringLiteral("KVR"), lastFile) ? lastFile : QString());
    m_excelReport->run(def, source, m_excelForm, statusBar());
}

// ---------------------------------------------------------------------------------------------
// Errors and dispatch

void TKelvoran::showDbError(const DbError &error) {
    for (const QString &text : error.texts())
        m_dm.inform(text, MessageIcon::Error);
}

void TKelvoran::runCommand(const std::function<void()> &command) {
    try {
        command();
    } catch (const DbException &e) {
        m_treePane->tree()->setVisible(true);
        showDbError(e.error());
    } catch (...) {
        // Other failures are not reported; the tree is shown again in any case.
        m_treePane->tree()->setVisible(true);
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
        m_dm.inform(QStringLiteral("エラーが発生しました。：") + m_dm.step.text(),
                    MessageIcon::Error);
        close();
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { runCommand([this] { m_files->activation(); }); }, Qt::QueuedConnection);
}

void TKelvoran::firstShowing() {
    m_dm.step.set("SH_190001");
    m_sqlPane->padAnalyzeHeadings();
    m_dm.step.set("SH_190002");
    m_treePane->listAliases();
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
        m_dm.inform(loaded.error().message, MessageIcon::Error);
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
    const AppSettings &s = m_dm.settings;
    m_excelForm->applyExcelSetting(s.excel);
    m_dm.runner.setLineSeparator(s.lineSeparator);
    applyPreferences();
}

void TKelvoran::applyPreferences() {
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
    applyEditorSettings();
    layoutSecondaryWindows();
    m_applyingSettings = false;
    layoutPanes();
}

void TKelvoran::applyEditorSettings() {
    const AppSettings &s = m_dm.settings;
    m_sqlPane->applySettings(s);
    // The SQL condition editor takes its values each time it opens.
    m_errSourceForm->editor()->setColors(colorFromBgr(s.errSourceFormBackColor, true),
                                         colorFromBgr(s.errSourceFormFontColor, false));
    const bool count = s.dataCountFlg == 1;
    m_gridPane->setRowCounting(count);
    m_dm.runner.setRowCounting(count);
}

void TKelvoran::collectPreferenceValues() {
    AppSettings &s = m_dm.settings;
    s.formTop = y();
    s.formLeft = x();
    s.formHeight = height();
    s.formWidth = width();
    s.tabWidth = m_sqlWidth;
    s.gridHeight = m_gridHeight;
    m_sqlPane->collectSettings(s);
}

void TKelvoran::linkPreferences() {
    PreferenceLinks links;
    links.collectWindowValues = [this] { collectPreferenceValues(); };
    links.applyAll = [this] { applyPreferences(); };
    links.applyEditors = [this] { applyEditorSettings(); };
    links.dataCountChanged = [this] {
        m_gridPane->showRowCount(-1);
        m_dm.runner.forgetRowCount();
    };
    links.writePresetFolders = [this] {
        AppSettingsStore store(m_settingsPath);
        return store.savePresetFolders(m_dm.settings);
    };
    links.pathForm = m_pathForm;
    m_conditionForm->setLinks(std::move(links));
}

void TKelvoran::linkLogShowForm() {
    LogShowLinks links;
    links.dialogs = m_defaultUi;
    links.openSettingsFile = [this](const QString &path) {
        // The designer's own load command stays hidden while it shows the file from here.
        QAction *load = m_excelForm->action(QStringLiteral("MenuLoad"));
        if (load)
            load->setVisible(false);
        // As the designer's own loading: the file read becomes the last settings file.
        if (m_files->openSettingsFile(path))
            m_dm.settings.excelSettingDataDir = path;
        if (load)
            load->setVisible(true);
    };
    m_logShowForm->setLinks(std::move(links));
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
    const int mode = m_dm.settings.xgaSvgaMode;
    const bool svga = mode == 1;
    m_excelForm->applyLayoutMode(mode);
    m_logShowForm->applyLayoutMode(mode);
    m_scheduleForm->applyLayoutMode(mode);
    for (const Layout &l : layouts) {
        if (QWidget *form = findChild<QWidget *>(QString::fromLatin1(l.name))) {
            const int *v = svga ? l.svga : l.xga;
            form->move(v[1], v[0]);
            form->resize(v[3], v[2]);
        }
    }
}

void TKelvoran::collectSettings() {
    AppSettings &s = m_dm.settings;
    collectPreferenceValues();
    s.excel = m_excelForm->excelSetting(s.excel);
    s.kelvoranDataDir = m_dm.paths.lastFilePath;
}

void TKelvoran::closeEvent(QCloseEvent *event) {
    // A schedule still running stops after its entry and writes its log before the program
    // saves its settings and ends.
    m_scheduleForm->stopRunAndWait();
    if (m_shownOnce) {
        collectSettings();
        AppSettingsStore store(m_settingsPath);
        Status saved = store.save(m_dm.settings);
        if (!saved)
            m_dm.inform(saved.error().message, MessageIcon::Error);
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
    int rx = w - 4;
    for (const char *n : {"SpeedButton11", "SpeedButton10", "SpeedButton9"}) {
        rx -= 32;
        m_buttons[QString::fromLatin1(n)]->setGeometry(rx, 6, 30, 30);
    }
    const int navWidth = m_navigator->sizeHint().width();
    m_navigator->setGeometry(rx - navWidth - 8, 10, navWidth, 22);
    const int gridTop = qMax(kHeaderHeight, h - m_gridHeight);
    m_gridPane->setGeometry(0, gridTop, w, h - gridTop);
    m_gridPane->layoutContents();
    const int upperHeight = gridTop - kHeaderHeight;
    const int sqlWidth = qBound(0, m_sqlWidth, w);
    m_sqlPane->setGeometry(w - sqlWidth, kHeaderHeight, sqlWidth, upperHeight);
    m_sqlPane->layoutContents();
    m_treePane->setGeometry(0, kHeaderHeight, w - sqlWidth, upperHeight);
    m_treePane->layoutContents();
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

bool TKelvoran::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    QWidget *gridTitle = m_gridPane->titleBar();
    if (watched == m_sqlPane || watched == m_gridPane || watched == gridTitle) {
        auto *w = static_cast<QWidget *>(watched);
        if (type == QEvent::MouseMove || type == QEvent::MouseButtonPress ||
            type == QEvent::MouseButtonRelease) {
            auto *me = static_cast<QMouseEvent *>(event);
            const QPoint p = me->position().toPoint();
            const bool vertical = watched == m_sqlPane;
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
                    const QPoint inGrid = w->mapTo(m_gridPane, p);
                    finishGridDrag(inGrid.y(), gridTitle->geometry().contains(inGrid));
                }
                return true;
            }
        }
        return false;
    }
    QWidget *treeViewport = m_treePane->tree()->viewport();
    if (watched == treeViewport && type == QEvent::MouseMove && !m_dragging) {
        // Over the tree the left 2 pixels show the normal cursor; elsewhere the position counts
        // as the form's, which shows the split cursor next to the vertical boundary.
        const QPoint p = static_cast<QMouseEvent *>(event)->position().toPoint();
        const QPoint inBody = treeViewport->mapTo(m_body, p);
        const bool nearBoundary = p.x() >= 2 && inBody.x() >= m_sqlPane->x() - kSplitStrip &&
                                  inBody.x() < m_sqlPane->x() + kSplitStrip;
        treeViewport->setCursor(nearBoundary ? Qt::SplitHCursor : Qt::ArrowCursor);
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Commands on the active tab

void TKelvoran::runSql() {
    m_sqlPane->runSql(isActiveWindow());
}

void TKelvoran::editCommand(const QString &word) {
    m_sqlPane->editCommand(word, isActiveWindow());
}

void TKelvoran::replaceWithFieldNames() {
    m_sqlPane->replaceWithFieldNames(m_gridPane->model());
}

void TKelvoran::closeSecondaryWindows() {
    if (m_aboutBox->isVisible())
        m_aboutBox->accept();
    m_dataShowForm->close();
    m_manualForm->close();
    m_scripts->closeWindows();
    m_ditailDataForm->close();
    m_csv->settingForm()->reject();
    m_excelReport->closeDialogs();
    m_errSourceForm->close();
    m_showDataForm->close();
    m_excelForm->reject();
    // The report designer's dialogs, wherever they are open (over the designer or each other).
    closeReportDialogs();
}

} // namespace kelvoran
