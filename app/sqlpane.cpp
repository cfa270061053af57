#include "app/sqlpane.h"

#include "app/datamodule.h"
#include "editor/texteditor.h"
#include "ui/analyzecol.h"
#include "ui/keyedtablemodel.h"
#include "ui/sqlrunoutcome.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextBlock>
#include <QTreeWidgetItem>

namespace kelvoran {

SqlPane::SqlPane(TDataModule_Kelvoran &dm, QWidget *parent) : QWidget(parent), m_dm(dm) {
    setObjectName(QStringLiteral("PanelSQL"));
    setMouseTracking(true);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl_Kelvoran"));
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
    resetAnalyzeCol();
    m_pages->setCurrentIndex(DefinitionTab);
}

void SqlPane::layoutContents() {
    m_pages->setGeometry(SplitterStrip, 0, qMax(0, width() - SplitterStrip), height());
}

TextEditor *SqlPane::makeEditor(const QString &name, bool readOnly) {
    auto *e = new TextEditor(m_pages);
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    e->setTabWidth(4);
    QPalette p = e->palette();
    p.setColor(QPalette::Highlight, QColor(0, 0, 255));
    p.setColor(QPalette::HighlightedText, Qt::white);
    e->setPalette(p);
    e->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(e, &QWidget::customContextMenuRequested, this,
            [this, e](const QPoint &pos) { emit editorMenuRequested(e->mapToGlobal(pos)); });
    return e;
}

int SqlPane::currentTab() const {
    return m_pages->currentIndex();
}

TextEditor *SqlPane::activeEditor() const {
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

void SqlPane::applySettings(const AppSettings &s) {
    m_definition->setColors(colorFromBgr(s.definitionBackColor, true),
                            colorFromBgr(s.definitionFontColor, false));
    m_source->setColors(colorFromBgr(s.sourceBackColor, true),
                        colorFromBgr(s.sourceFontColor, false));
    m_sql->setColors(colorFromBgr(s.sqlBackColor, true), colorFromBgr(s.sqlFontColor, false));
    m_sql->setTabWidth(s.sqlTabCnt > 0 ? s.sqlTabCnt : 4);
    m_sql->setShowLineEndMarks(s.sqlEnterMark);
    m_sql->setShowEofMark(s.sqlEofMark);
    m_sql->setShowLineNumbers(s.sqlLineNumber);
}

void SqlPane::collectSettings(AppSettings &s) const {
    s.definitionBackColor = bgrOfColor(m_definition->backgroundColor());
    s.definitionFontColor = bgrOfColor(m_definition->textColor());
    s.sourceBackColor = bgrOfColor(m_source->backgroundColor());
    s.sourceFontColor = bgrOfColor(m_source->textColor());
    s.sqlBackColor = bgrOfColor(m_sql->backgroundColor());
    s.sqlFontColor = bgrOfColor(m_sql->textColor());
    s.sqlTabCnt = m_sql->tabWidth();
    s.sqlEnterMark = m_sql->showLineEndMarks();
    s.sqlEofMark = m_sql->showEofMark();
    s.sqlLineNumber = m_sql->showLineNumbers();
}

bool SqlPane::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if (watched == m_analyze->viewport() && type == QEvent::MouseButtonRelease) {
        padAnalyzeHeadings();
        return false;
    }
    if (watched != m_sql || type != QEvent::KeyPress)
        return false;
    auto *ke = static_cast<QKeyEvent *>(event);
    const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
    if (enter && !(ke->modifiers() & Qt::ShiftModifier)) {
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
// Editors

void SqlPane::editCommand(const QString &word, bool windowActive) {
    const int tab = m_pages->currentIndex();
    if (tab == AnalyzeColTab)
        return;
    TextEditor *e = activeEditor();
    if ((word == u"UNDO" || word == u"REDO") && (tab != SqlTab || !windowActive))
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

void SqlPane::showDescription(const QStringList &definition, const QStringList &source) {
    m_definition->setLines(definition);
    m_source->setLines(source);
}

void SqlPane::moveDescriptionToStart() {
    m_definition->moveCursor(QTextCursor::Start);
    m_source->moveCursor(QTextCursor::Start);
}

void SqlPane::loadSql(const QStringList &lines, bool caretToStart) {
    m_sql->setLines(lines);
    if (caretToStart)
        m_sql->moveCursor(QTextCursor::Start);
}

// ---------------------------------------------------------------------------------------------
// AnalyzeCol

void SqlPane::padAnalyzeHeadings() {
    for (int c = 1; c <= 2; ++c) {
        QTableWidgetItem *item = m_analyze->item(0, c);
        if (!item) {
            item = new QTableWidgetItem;
            m_analyze->setItem(0, c, item);
        }
        item->setFlags(Qt::ItemIsEnabled);
        item->setText(paddedHeading(analyzeColHeading(c), m_analyze->columnWidth(c)));
    }
}

void SqlPane::resetAnalyzeCol() {
    fillAnalyzeCol({});
}

void SqlPane::fillAnalyzeCol(const std::vector<SelectItem> &items) {
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

void SqlPane::fillAnalyzeColFromGrid(QAbstractItemModel *gridModel) {
    QStringList fields;
    if (gridModel) {
        QSqlRecord record;
        // The grid's table model leaves out the hidden ROWID.
        if (auto *keyed = qobject_cast<KeyedTableModel *>(gridModel))
            record = keyed->record();
        else if (auto *table = qobject_cast<QSqlTableModel *>(gridModel))
            record = table->record();
        else if (gridModel == m_dm.runner.resultModel())
            record = m_dm.runner.resultModel()->record();
        for (int i = 0; i < record.count(); ++i)
            fields << record.fieldName(i);
    }
    fillAnalyzeCol(fieldNameItems(fields));
}

std::vector<SelectItem> SqlPane::analyzeItems() const {
    auto text = [this](int r, int c) {
        return m_analyze->item(r, c) ? m_analyze->item(r, c)->text() : QString();
    };
    std::vector<SelectItem> items;
    items.reserve(size_t(qMax(0, m_analyze->rowCount() - 1)));
    for (int r = 1; r < m_analyze->rowCount(); ++r)
        items.push_back({text(r, 1), text(r, 2)});
    return items;
}

void SqlPane::stripAnalyzeAliasQuotes() {
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

void SqlPane::replaceWithFieldNames(QAbstractItemModel *gridModel) {
    if (!m_dm.table && !m_dm.runner.resultModel()->isOpen())
        return;
    fillAnalyzeColFromGrid(gridModel);
    std::vector<AnalyzeColRow> rows;
    for (int r = 1; r < m_analyze->rowCount(); ++r)
        rows.push_back({QString(), m_analyze->item(r, 1)->text(), QString()});
    replaceSelectList(m_dm.analysis, rows);
}

// ---------------------------------------------------------------------------------------------
// Runs and history

void SqlPane::runSql(bool windowActive) {
    if (!windowActive || m_pages->currentIndex() != SqlTab || m_sql->toPlainText().isEmpty())
        return;
    emit runStarted();
    m_dm.gridShowsSqlResult = true;
    const QStringList lines = m_sql->lines();
    if (m_sql->canUndo() && !linesBlank(lines))
        m_dm.history.record(lines);
    if (!m_dm.currentAliasNode)
        return;
    const QString alias = m_dm.currentAliasNode->text(0);
    m_dm.readDriverName(alias);
    m_dm.analysis = AnalyzeSelect(lines, m_dm.kind == DbKind::Oracle);
    fillAnalyzeCol(m_dm.analysis.items);
    const StatementClass cls = statementClassOf(int(m_dm.analysis.statementKind));
    const bool toGrid = cls == StatementClass::Query || cls == StatementClass::Show;
    if (toGrid) {
        emit gridModelChanged(nullptr);
        m_dm.closeTable();
    }
    SqlRunInput input = makeSqlRunInput(alias, lines, m_dm.analysis, m_dm.table != nullptr);
    const SqlRunResult result = m_dm.runner.run(input);
    if (!result.ran)
        return;
    const SqlRunOutcome outcome = sqlRunOutcome(result, input.tableOpen);
    if (result.returnedRows && !toGrid) {
        // A statement that returned rows replaces the table in the grid, as a query does.
        emit gridModelChanged(nullptr);
        m_dm.closeTable();
    }
    if (toGrid || result.returnedRows)
        emit gridModelChanged(m_dm.runner.resultModel());
    if (outcome.rowCountBoxChanged)
        emit rowCountShown(outcome.rowCount);
    if (outcome.nameBox)
        emit nameShown(*outcome.nameBox);
    if (outcome.reportSourceMode)
        m_dm.reportSourceMode = *outcome.reportSourceMode;
    if (outcome.emptyAnalyzeCol)
        resetAnalyzeCol();
    if (outcome.analyzeColFromGrid)
        emit gridColumnsWanted();
    stripAnalyzeAliasQuotes();
    for (const QString &m : result.messages)
        m_dm.inform(m, isCompletionMessage(m) ? MessageIcon::Information : MessageIcon::Error);
}

void SqlPane::showHistoryStep(bool forward) {
    const bool blank = linesBlank(m_sql->lines());
    HistoryStep step = forward ? m_dm.history.forward(blank) : m_dm.history.back(blank);
    if (step.action == HistoryStep::ClearEditor)
        m_sql->clear();
    else if (step.action == HistoryStep::LoadLines)
        m_sql->setLines(step.lines);
}

void SqlPane::historyBack() {
    showHistoryStep(false);
}

void SqlPane::historyForward() {
    showHistoryStep(true);
}

} // namespace kelvoran
