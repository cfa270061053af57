// The main window's menus, pop-up menus and toolbar, and the rules that enable their items.
#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "app/conditionsetform.h"
#include "app/csvcommands.h"
#include "app/datashowform.h"
#include "app/ditaildataform.h"
#include "app/errsourceform.h"
#include "app/excelsettingform.h"
#include "app/filecommands.h"
#include "app/findreplace.h"
#include "app/gridpane.h"
#include "app/instructionmanualform.h"
#include "app/logshowform.h"
#include "app/objecttreepane.h"
#include "app/scheduleform.h"
#include "app/scriptcommand.h"
#include "app/showdataform.h"
#include "app/sqlpane.h"
#include "db/errorsource.h"
#include "editor/texteditor.h"

#include <QAction>
#include <QDateTime>
#include <QMenuBar>
#include <QShortcut>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>

namespace kelvoran {

// ---------------------------------------------------------------------------------------------
// Menus and toolbar

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
            QKeySequence(Qt::CTRL | Qt::Key_O), [this] { m_files->openFile(); });
    addItem(m_fileMenu, QStringLiteral("Save"), QStringLiteral("保存(&S)"),
            QKeySequence(Qt::CTRL | Qt::Key_S), [this] { m_files->saveFile(); });
    addItem(m_fileMenu, QStringLiteral("Print"), QStringLiteral("印刷(&P)"),
            QKeySequence(Qt::CTRL | Qt::Key_P), [this] { m_files->printFile(); });
    m_fileMenu->addSeparator();
    for (const auto &[name, caption] : std::vector<std::pair<QString, QString>>{
             {QStringLiteral("CsvExport"), QStringLiteral("CSVエクスポート")},
             {QStringLiteral("CsvExportSave"), QStringLiteral("CSVエクスポート設定保存")},
             {QStringLiteral("CsvImport"), QStringLiteral("CSVインポート")},
             {QStringLiteral("CsvImportSave"), QStringLiteral("CSVインポート設定保存")}}) {
        addItem(m_fileMenu, name, caption, {}, [this, command = name] {
            m_csv->command(command);
        })->setEnabled(false);
    }
    addItem(m_fileMenu, QStringLiteral("RunScript"), QStringLiteral("SQLファイルの実行"), {},
            [this] { m_scripts->runScript(); });
    m_fileMenu->addSeparator();
    addItem(m_fileMenu, QStringLiteral("Exit"), QStringLiteral("終了(&X)"), {}, [this] {
        m_treePane->closeSession();
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
            QKeySequence(Qt::CTRL | Qt::Key_F), [this] { m_findReplace->startFind(); });
    addItem(m_editMenu, QStringLiteral("FindNext"), QStringLiteral("次を検索(&N)"),
            QKeySequence(Qt::Key_F3), [this] { m_findReplace->findNextCommand(); });
    addItem(m_editMenu, QStringLiteral("Replace"), QStringLiteral("置き換え(&E)"),
            QKeySequence(Qt::CTRL | Qt::Key_H), [this] { m_findReplace->startReplace(); });
    m_editMenu->addSeparator();
    addItem(m_editMenu, QStringLiteral("RunSql"), QStringLiteral("SQL実行(&G)"),
            QKeySequence(Qt::Key_F4), [this] { runSql(); });
    addItem(m_editMenu, QStringLiteral("ExcelOut"), QStringLiteral("EXCEL出力(&E)"),
            QKeySequence(Qt::Key_F5), [this] {
                m_dataShowForm->close();
                m_excelForm->openForSelect();
            });
    addItem(m_editMenu, QStringLiteral("FieldNames"), QStringLiteral("抽出項目名に置換え"),
            QKeySequence(Qt::Key_F6), [this] { replaceWithFieldNames(); });
    m_editMenu->addSeparator();
    addItem(m_editMenu, QStringLiteral("Refresh"), QStringLiteral("更新"), {},
            [this] { m_treePane->refreshTree(); });
    addItem(m_editMenu, QStringLiteral("CloseSession"), QStringLiteral("セッションを閉じる(&Z)"),
            {}, [this] { m_treePane->closeSession(); });
    connect(m_editMenu, &QMenu::aboutToShow, this, [this] {
        unsetCursor();
        updateEditMenu();
    });

    m_viewMenu = bar->addMenu(QStringLiteral("表示(&V)"));
    addItem(m_viewMenu, QStringLiteral("CollapseAll"), QStringLiteral("全縮小(&C)"), {},
            [this] { m_treePane->collapseAll(); });
    addItem(m_viewMenu, QStringLiteral("Collapse"), QStringLiteral("縮小"), {},
            [this] { m_treePane->collapseSelected(); });
    addItem(m_viewMenu, QStringLiteral("ExpandAll"), QStringLiteral("全展開(&E)"), {},
            [this] { m_treePane->expandAll(); });
    addItem(m_viewMenu, QStringLiteral("Expand"), QStringLiteral("展開"), {},
            [this] { m_treePane->expandSelected(); });
    m_viewMenu->addSeparator();
    addItem(m_viewMenu, QStringLiteral("IndexList"), QStringLiteral("Index一覧表示"), {},
            [this] { m_ditailDataForm->showIndexList(m_treePane->tree()->currentItem()); });
    addItem(m_viewMenu, QStringLiteral("ErrMessage"), QStringLiteral("エラーメッセージ(&M)"), {},
            [this] { m_showDataForm->showErrorMessages(m_treePane->tree()->currentItem()); });
    addItem(m_viewMenu, QStringLiteral("ErrSource"), QStringLiteral("エラーソース(&S)"), {},
            [this] { m_errSourceForm->showErrorSource(m_treePane->tree()->currentItem()); });
    addItem(m_viewMenu, QStringLiteral("ScheduleView"), QStringLiteral("スケジュール設定表示"), {},
            [this] { m_logShowForm->showMode(LogShowMode::Schedule); });
    addItem(m_viewMenu, QStringLiteral("LogView"), QStringLiteral("Logファイル表示"), {},
            [this] { m_logShowForm->showMode(LogShowMode::Log); });
    connect(m_viewMenu, &QMenu::aboutToShow, this, [this] {
        unsetCursor();
        updateViewMenu();
    });

    QMenu *other = bar->addMenu(QStringLiteral("その他"));
    addItem(other, QStringLiteral("Preferences"), QStringLiteral("設定"), {}, [this] {
        m_conditionForm->edit();
        // Whatever closed the dialog, the secondary windows follow the layout mode.
        layoutSecondaryWindows();
    });
    QMenu *help = bar->addMenu(QStringLiteral("ヘルプ(&H)"));
    addItem(help, QStringLiteral("Version"), QStringLiteral("バージョン"), {},
            [this] { m_aboutBox->exec(); });
    addItem(help, QStringLiteral("Manual"), QStringLiteral("機能概要"), {},
            [this] { m_manualForm->exec(); });

    m_treePopup = new QMenu(this);
    m_treePopup->setObjectName(QStringLiteral("PopupMenuKelvoran"));
    for (const char *n : {"ErrMessage", "ErrSource", "IndexList", "Refresh"})
        m_treePopup->addAction(action(QString::fromLatin1(n)));
    addItem(m_treePopup, QStringLiteral("PopupCloseSession"), QStringLiteral("Sessionを閉じる(&X)"),
            {}, [this] { m_treePane->closeSession(); });

    m_tabPopup = new QMenu(this);
    m_tabPopup->setObjectName(QStringLiteral("PopupMenu_Tab"));
    for (const char *n : {"Undo", "Redo", "CUT", "COPY", "PASTE", "CLEAR", "SELECTALL", "Find"})
        m_tabPopup->addAction(action(QString::fromLatin1(n)));
    addItem(m_tabPopup, QStringLiteral("PopupReplace"), QStringLiteral("置き換え(&R)"), {},
            [this] { m_findReplace->startReplace(); });
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
        {"SpeedButton1", "開く", QStyle::SP_DialogOpenButton, [this] { m_files->openFile(); }},
        {"SpeedButton2", "保存", QStyle::SP_DialogSaveButton, [this] { m_files->saveFile(); }},
        {"SpeedButton3", "印刷", QStyle::SP_FileDialogDetailedView,
         [this] { m_files->printFile(); }},
        {"SpeedButton4", "全展開", QStyle::SP_ArrowDown, [this] { m_treePane->expandAll(); }},
        {"SpeedButton5", "全縮小", QStyle::SP_ArrowUp, [this] { m_treePane->collapseAll(); }},
        {"SpeedButton13", "展開", QStyle::SP_ArrowRight, [this] { m_treePane->expandSelected(); }},
        {"SpeedButton12", "縮小", QStyle::SP_ArrowLeft, [this] { m_treePane->collapseSelected(); }},
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
    auto makeButton = [this](const Button &b) {
        auto *button = new QToolButton(m_header);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromUtf8(b.hint));
        button->setIcon(style()->standardIcon(b.icon));
        auto command = b.command;
        connect(button, &QToolButton::clicked, this, [this, command] { runCommand(command); });
        m_buttons[QString::fromLatin1(b.name)] = button;
        return button;
    };
    int x = 4;
    for (const Button &b : left) {
        makeButton(b)->setGeometry(x, 6, 30, 30);
        x += 32;
    }
    const std::vector<Button> right = {
        {"SpeedButton9", "1つ前のSQL", QStyle::SP_MediaSeekBackward,
         [this] { m_sqlPane->historyBack(); }},
        {"SpeedButton10", "1つ先のSQL", QStyle::SP_MediaSeekForward,
         [this] { m_sqlPane->historyForward(); }},
        {"SpeedButton11", "SQL実行", QStyle::SP_MediaPlay, [this] { runSql(); }},
    };
    for (const Button &b : right)
        makeButton(b)->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Menus and tabs

void TKelvoran::tabChanged(int index) {
    const bool sqlTab = index == SqlPane::SqlTab;
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
    if (TextEditor *e = m_sqlPane->activeEditor()) {
        const bool hasText = !e->toPlainText().isEmpty();
        action(QStringLiteral("Save"))->setEnabled(hasText);
        action(QStringLiteral("Print"))->setEnabled(hasText);
    }
    QAbstractItemModel *shown = m_gridPane->model();
    const bool tableOpen = m_dm.table && shown == m_dm.table.get();
    const bool queryOpen =
        m_dm.runner.resultModel()->isOpen() && shown == m_dm.runner.resultModel();
    action(QStringLiteral("CsvExport"))->setEnabled(tableOpen || queryOpen);
    action(QStringLiteral("CsvExportSave"))->setEnabled(tableOpen || queryOpen);
    const bool importKind = csvImportAllowed(m_dm.kind, m_dm.driverName);
    action(QStringLiteral("CsvImport"))->setEnabled(tableOpen && importKind);
    action(QStringLiteral("CsvImportSave"))->setEnabled(tableOpen && importKind);
}

void TKelvoran::updateEditMenu() {
    const int tab = m_sqlPane->currentTab();
    TextEditor *e = m_sqlPane->activeEditor();
    TextEditor *sql = m_sqlPane->sqlEditor();
    const bool selected = e && e->textCursor().hasSelection();
    auto set = [this](const char *n, bool on) { action(QString::fromLatin1(n))->setEnabled(on); };
    constexpr int SqlTab = SqlPane::SqlTab;
    constexpr int AnalyzeColTab = SqlPane::AnalyzeColTab;
    set("CUT", tab == SqlTab && selected);
    set("COPY", tab != AnalyzeColTab && selected);
    set("Undo", sql->isModified());
    set("Redo", sql->canRedo());
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
    QAbstractItemModel *shown = m_gridPane->model();
    set("ExcelOut", shown && shown->columnCount() > 0);
}

void TKelvoran::updateViewMenu() {
    QTreeWidgetItem *node = m_treePane->tree()->currentItem();
    const bool object = node && ObjectTreePane::levelOf(node) == 2;
    const QString folder = object ? node->parent()->text(0) : QString();
    const bool plsql = folder == u"Procedure" || folder == u"Function" || folder == u"Package" ||
                       folder == u"Package Body";
    // The error items: only for a unit that USER_ERRORS holds at least one row for.
    bool errors = false;
    if (plsql) {
        if (std::optional<QSqlDatabase> db =
                m_dm.session.findConnection(ObjectTreePane::rootOf(node)->text(0))) {
            DbResult<int> count = loadErrorCount(*db, node->text(0), folder);
            errors = count && *count > 0;
        }
    }
    action(QStringLiteral("ErrMessage"))->setEnabled(errors);
    action(QStringLiteral("ErrSource"))->setEnabled(errors);
    action(QStringLiteral("IndexList"))->setEnabled(folder == u"Table");
}

} // namespace kelvoran
