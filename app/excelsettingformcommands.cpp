// The report designer's commands: opening, loading and saving, the grid operations, the
// switches, the dialogs of its buttons, validation with the focus moved, and "Excel出力".
#include "app/excelsettingform.h"

#include "app/colorform.h"
#include "app/csvsettingform.h"
#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/excelformatform.h"
#include "app/excelpasswordsettingform.h"
#include "app/formateditform.h"
#include "app/pivottablesettingform.h"
#include "app/sqlconditioneditform.h"
#include "core/clock.h"
#include "core/pathrules.h"
#include "report/messagetable.h"
#include "report/reportvalidation.h"
#include "report/settingssave.h"
#include "ui/csvsettingstate.h"
#include "ui/sqlconditionedit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidgetItem>

namespace kelvoran {

namespace {

const QString kSaveFailed = QStringLiteral("設定保存中にエラーが発生しました。");

// Passes everything to the program's answerer, except the mode "3" question, which the
// designer has asked already before the CSV options dialog.
class AskedOnceInteraction : public UserInteraction {
public:
    explicit AskedOnceInteraction(UserInteraction &inner) : m_inner(inner) {}
    void inform(MessageIcon icon, const QString &text) override { m_inner.inform(icon, text); }
    bool confirm(const QString &text) override {
        return text == SettingsText::csvExportQuestion() || m_inner.confirm(text);
    }
    bool chooseConnection(const QString &preset, ConnectionChoice &choice) override {
        return m_inner.chooseConnection(preset, choice);
    }
    QString chooseOpenFile(const QString &title, const QString &filter) override {
        return m_inner.chooseOpenFile(title, filter);
    }
    QString chooseSaveFile(const QString &title, const QString &filter) override {
        return m_inner.chooseSaveFile(title, filter);
    }

private:
    UserInteraction &m_inner;
};

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Opening and loading

void TExcelSettingForm::openForSelect() {
    collect();
    const QString previousKey = m_combos[QStringLiteral("ComboBoxKaiPageSQL")]->currentText();
    m_state.fillRows(m_links.selectItems ? m_links.selectItems() : std::vector<SelectItem>());
    const QStringList keys =
        pageBreakKeyItems(m_state.selectListHasItems ? int(m_state.def.columns.size()) : 0);
    m_state.def.setValue(QStringLiteral("KCBKEY"),
                         QString::number(pageBreakKeyIndex(keys, previousKey)));
    showState();
    show();
    raise();
    activateWindow();
}

void TExcelSettingForm::showLoaded(const ReportDefinition &def) {
    m_state.def = def;
    m_state.def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    if (m_state.def.columns.empty())
        m_state.def.columns.assign(1, ColumnSetting());
    if (m_state.def.pivotFields.empty())
        m_state.def.pivotFields.assign(1, PivotFieldSetting());
    m_state.selectListHasItems = !m_state.def.columns.front().PhysicalName.isEmpty();
    m_state.currentRow = 0;
    showState();
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

ReportDefinition TExcelSettingForm::definition() {
    collect();
    ReportDefinition def = m_state.def;
    def.setValue(QStringLiteral("PROCFLG"), QStringLiteral("1"));
    return def;
}

void TExcelSettingForm::applyExcelSetting(const ExcelSettingValues &values) {
    m_state.applyExcelSetting(values);
    m_groupTotalColour = values.gpSumColor;
    m_groupAverageColour = values.gpAvgColor;
    showState();
}

ExcelSettingValues TExcelSettingForm::excelSetting(const ExcelSettingValues &base) {
    collect();
    ExcelSettingValues values = m_state.excelSetting(base);
    values.gpSumColor = m_groupTotalColour;
    values.gpAvgColor = m_groupAverageColour;
    return values;
}

void TExcelSettingForm::loadSettings() {
    const QString last = m_dm.settings.excelSettingDataDir;
    const QFileInfo info(last);
    const bool preset =
        hasExtension(QStringLiteral("KVR"), last) && info.exists() && info.absoluteDir().exists();
    if (m_links.dialogs)
        m_links.dialogs->setPreselectedPath(preset ? last : QString());
    const QString path =
        m_dm.ui->chooseOpenFile(QString(), QStringLiteral("Kelvoran files (*.kvr)|*.kvr"));
    if (path.isEmpty() || !m_links.loadSettingsFile)
        return;
    if (m_links.loadSettingsFile(path))
        m_dm.settings.excelSettingDataDir = path;
}

// ---------------------------------------------------------------------------------------------
// Validation and saving

bool TExcelSettingForm::validate() {
    ReportDefinition def = definition();
    def.removeBlankRows();
    ReportValidator validator(def, int(def.columns.size()), *m_dm.ui, m_dm.step);
    if (validator.validateAll())
        return true;
    focusControl(validator.focusControl(), validator.selectText());
    return false;
}

void TExcelSettingForm::focusControl(const QString &name, bool selectText) {
    QWidget *target = findChild<QWidget *>(name);
    if (!target)
        return;
    for (int i = 0; i < m_pages->count(); ++i)
        if (m_pages->widget(i)->isAncestorOf(target))
            m_pages->setCurrentIndex(i);
    target->setFocus(Qt::OtherFocusReason);
    if (auto *edit = qobject_cast<QLineEdit *>(target); edit && selectText)
        edit->selectAll();
}

namespace {

// The SQL part of a save: a generated statement while the grid shows a table, else the text
// rebuilt from the scan of the SQL tab.
SqlSource designerSqlSource(const TDataModule_Kelvoran &dm, const QStringList &editorLines) {
    if (dm.reportSourceMode == 1 && dm.table)
        return SqlSource::forTable(dm.table->tableName());
    return SqlSource::fromAnalysis(dm.analysis, editorLines);
}

} // namespace

void TExcelSettingForm::saveExcelSettings() {
    if (!validate())
        return;
    SaveRequest request;
    request.mode = SettingsFileMode::Excel;
    request.sql = designerSqlSource(m_dm, m_links.sqlLines ? m_links.sqlLines() : QStringList());
    request.presetAlias = m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
    ReportDefinition def = definition();
    SystemClock clock;
    const Result<QString> saved = saveSettingsFile(def, request, *m_dm.ui, clock);
    if (!saved) {
        m_dm.inform(kSaveFailed);
        return;
    }
    if (!saved->isEmpty())
        m_dm.settings.excelSettingDataDir = *saved;
}

void TExcelSettingForm::saveCsvSettings() {
    UserInteraction &ui = *m_dm.ui;
    if (!ui.confirm(SettingsText::csvExportQuestion())) {
        ui.inform(MessageIcon::Information, SettingsText::cancelled());
        return;
    }
    CsvOptions options;
    if (m_links.csvForm && !m_links.csvForm->ask(CsvDialogMode::Export, options, ui))
        return;
    SaveRequest request;
    request.mode = SettingsFileMode::CsvExportFromDesigner;
    request.sql = designerSqlSource(m_dm, m_links.sqlLines ? m_links.sqlLines() : QStringList());
    request.presetAlias = m_dm.currentAliasNode ? m_dm.currentAliasNode->text(0) : QString();
    ReportDefinition def = definition();
    storeCsvSettings(options, request.sql.tableName, def);
    SystemClock clock;
    AskedOnceInteraction asked(ui);
    const Result<QString> saved = saveSettingsFile(def, request, asked, clock);
    if (!saved)
        m_dm.inform(kSaveFailed);
    else if (!saved->isEmpty())
        m_dm.settings.excelSettingDataDir = *saved;
}

// ---------------------------------------------------------------------------------------------
// Grid operations

void TExcelSettingForm::updateEditMenu() {
    collect();
    m_state.removeBlankRows();
    showGrids();
    const bool hasFirst = !m_state.def.columns.front().PhysicalName.trimmed().isEmpty();
    m_actions[QStringLiteral("MenuExcelOut")]->setEnabled(hasFirst);
    const bool layoutPage = m_pages->currentIndex() == 0;
    const int row = qBound(0, m_state.currentRow, int(m_state.def.columns.size()) - 1);
    m_actions[QStringLiteral("MenuFormatEdit")]->setEnabled(
        layoutPage && !m_state.def.columns[size_t(row)].FormatText.isEmpty());
    for (const char *name : {"MenuSqlFrom", "MenuSqlWhere"})
        m_actions[QString::fromLatin1(name)]->setEnabled(layoutPage && hasFirst);
    for (const char *name : {"MenuAddRow", "MenuDeleteRow"})
        m_actions[QString::fromLatin1(name)]->setEnabled(layoutPage);
}

void TExcelSettingForm::addRow() {
    collect();
    if (m_links.selectItems) {
        const std::vector<SelectItem> items = m_links.selectItems();
        m_state.selectListHasItems = !items.empty() && !items.front().physicalName.isEmpty();
    }
    const QString previousKey = m_combos[QStringLiteral("ComboBoxKaiPageSQL")]->currentText();
    if (!m_state.addRow())
        return;
    const QStringList keys = pageBreakKeyItems(int(m_state.def.columns.size()));
    m_state.def.setValue(QStringLiteral("KCBKEY"),
                         QString::number(pageBreakKeyIndex(keys, previousKey)));
    showGrids();
}

void TExcelSettingForm::deleteRow() {
    collect();
    const QString previousKey = m_combos[QStringLiteral("ComboBoxKaiPageSQL")]->currentText();
    m_state.deleteRow(m_columns->currentColumn() + 1);
    const bool filled = !m_state.def.columns.front().PhysicalName.isEmpty();
    const QStringList keys = pageBreakKeyItems(filled ? int(m_state.def.columns.size()) : 0);
    m_state.def.setValue(QStringLiteral("KCBKEY"),
                         QString::number(pageBreakKeyIndex(keys, previousKey)));
    showGrids();
}

void TExcelSettingForm::moveGridRow(QTableWidget *grid, int from, int to) {
    // The header keeps its order; the rows themselves move with all their data columns.
    QHeaderView *header = grid->verticalHeader();
    {
        const QSignalBlocker block(header);
        header->moveSection(to, from);
    }
    if (grid == m_columns)
        m_state.moveColumnRow(from, to);
    else
        m_state.movePivotRow(from, to);
    showGrids();
}

void TExcelSettingForm::columnCellChanged(int row, int column) {
    if (row < 0 || row >= int(m_state.def.columns.size()))
        return;
    ColumnSetting &c = m_state.def.columns[size_t(row)];
    const QString text = m_columns->item(row, column) ? m_columns->item(row, column)->text() : "";
    if (column == 0)
        c.PhysicalName = text;
    else if (column == 1)
        c.Alias = text;
    else if (column == 2)
        c.WidthOrCell = text;
    else
        return;
    m_state.syncLinkedPivotRow(row);
    const int pivot = m_state.linkedPivotRow(row);
    if (pivot >= 0) {
        const QSignalBlocker block(m_pivot);
        m_pivot->setItem(pivot, 0, new QTableWidgetItem(c.PhysicalName));
        m_pivot->setItem(pivot, 1, new QTableWidgetItem(c.Alias));
    }
}

void TExcelSettingForm::popupGridMenu(const QPoint &globalPos) {
    const QPoint local = m_columns->viewport()->mapFromGlobal(globalPos);
    const QModelIndex index = m_columns->indexAt(local);
    if (index.isValid())
        m_columns->setCurrentCell(index.row(), index.column());
    m_gridMenu->popup(globalPos);
}

void TExcelSettingForm::allClear() {
    collect();
    m_state.clearAll();
    showGrids();
}

void TExcelSettingForm::resetToInitial() {
    collect();
    m_state.resetToInitial();
    showState();
}

void TExcelSettingForm::checkBoxClicked(const QString &name) {
    collect();
    const bool on = m_checks[name]->isChecked();
    if (name == u"CheckBoxPivotTable")
        m_state.setPivotTable(on);
    else if (name == u"CheckBoxKoteiOut")
        m_state.setFixedReport(on);
    else if (name == u"CheckBoxKakuchoIchiran")
        m_state.setExtendedReport(on);
    else {
        showControlViews();
        return;
    }
    showState();
}

bool TExcelSettingForm::eventFilter(QObject *watched, QEvent *event) {
    auto *grid = qobject_cast<QTableWidget *>(watched);
    // Keys typed into an open cell editor go to the editor, not to the grid.
    if (grid && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Right || key->key() == Qt::Key_Left) {
            const GridCell from{grid->currentRow(), grid->currentColumn() + 1};
            if (const auto to = wrappedArrow(key->key() == Qt::Key_Right, from, grid->rowCount())) {
                grid->setCurrentCell(to->row, to->column - 1);
                return true;
            }
        }
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        (watched == m_columns->viewport() || watched == m_pivot->viewport()))
        recentreHeadings();
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Dialogs of the buttons and grids

void TExcelSettingForm::columnCellDoubleClicked(int row, int column) {
    if (column != 3 || !m_hooks.chooseColumnFormat)
        return;
    collect();
    if (m_hooks.chooseColumnFormat(m_state, row))
        showGrids();
}

void TExcelSettingForm::pivotCellDoubleClicked(int row, int) {
    if (!m_hooks.choosePivotField)
        return;
    if (m_hooks.choosePivotField(m_state, row))
        showGrids();
}

void TExcelSettingForm::formatCommand(bool edit) {
    collect();
    const int row = m_state.currentRow;
    const auto &hook = edit ? m_hooks.editColumnFormats : m_hooks.chooseColumnFormat;
    if (hook && hook(m_state, row))
        showGrids();
}

void TExcelSettingForm::headerFormatCommand(bool rowTotal, bool edit) {
    collect();
    const auto &hook = edit ? m_hooks.editHeaderFormats : m_hooks.chooseHeaderFormat;
    if (hook && hook(m_state, rowTotal))
        showState();
}

void TExcelSettingForm::clearHeaderFormat(bool rowTotal) {
    collect();
    m_state.def.setValue(rowTotal ? QStringLiteral("RFNAME") : QStringLiteral("FROWSETTING"),
                         QString());
    m_state.def.setValue(rowTotal ? QStringLiteral("RFCODE") : QStringLiteral("FROWCODE"),
                         QString());
    showState();
}

void TExcelSettingForm::colourCommand(bool fontColour) {
    collect();
    if (m_hooks.chooseColour && m_hooks.chooseColour(m_state, fontColour))
        showState();
}

void TExcelSettingForm::choosePassword(const char *edit, const QString &title) {
    collect();
    const QString name = QString::fromLatin1(edit);
    QString &password = name == u"EditReadHinaPassWord" ? m_state.def.templatePassword
                        : name == u"EditReadPassWord"   ? m_state.def.outputReadPassword
                                                        : m_state.def.outputWritePassword;
    QString changed = password;
    if (m_hooks.choosePassword && m_hooks.choosePassword(changed, title)) {
        password = changed;
        showState();
    }
}

void TExcelSettingForm::chooseTemplate() {
    collect();
    QString start = m_state.def.value(QStringLiteral("PATTERNFILE"));
    if (start.trimmed().isEmpty())
        start = m_lastTemplate;
    if (m_links.dialogs)
        m_links.dialogs->setPreselectedPath(start);
    QString path = m_dm.ui->chooseOpenFile(
        QString(), QStringLiteral("Excel files (*.xlsx;*.xls)|*.xlsx;*.xls"));
    if (path.isEmpty())
        return;
    m_dm.step.set("ME_140004");
    // Templates are .xlsx workbooks: a chosen .xlsx name is kept, a name without an
    // xls-family extension gets ".xlsx".
    if (!hasExtension(QStringLiteral("XLS"), path) &&
        !path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");
    m_state.def.setValue(QStringLiteral("PATTERNFILE"), path);
    m_lastTemplate = path;
    showState();
}

// ---------------------------------------------------------------------------------------------
// Excel output

void TExcelSettingForm::excelOutput() {
    collect();
    m_startTime = now();
    findChild<QLineEdit *>(QStringLiteral("Edit3"))->setText(m_startTime);
    m_state.removeBlankRows();
    showGrids();
    if (!m_state.def.columns.front().PhysicalName.trimmed().isEmpty() && m_links.runReport) {
        ReportDefinition def = definition();
        m_links.runReport(def);
    }
    m_endTime = now();
    findChild<QLineEdit *>(QStringLiteral("Edit4"))->setText(m_endTime);
}

QString TExcelSettingForm::outputStartTime() const {
    return m_startTime;
}

QString TExcelSettingForm::outputEndTime() const {
    return m_endTime;
}

// ---------------------------------------------------------------------------------------------
// The program's dialogs

TExcelSettingForm::DialogHooks TExcelSettingForm::programDialogs() {
    DialogHooks h;
    auto namedRow = [](ExcelSettingState &s, int row) {
        return row >= 0 && row < int(s.def.columns.size()) &&
               !s.def.columns[size_t(row)].PhysicalName.trimmed().isEmpty();
    };
    h.chooseColumnFormat = [this, namedRow](ExcelSettingState &s, int row) {
        if (!namedRow(s, row))
            return false;
        ColumnSetting &c = s.def.columns[size_t(row)];
        GroupRowColours colours{m_groupTotalColour, m_groupAverageColour};
        const FormatContext context =
            s.cellMode() ? FormatContext::FixedOrExtended : FormatContext::Column;
        if (!TExcelFormatForm::chooseColumnFormat(this, context, c.FormatText, c.FormatCodes,
                                                  c.GroupKeys, colours))
            return false;
        m_groupTotalColour = colours.total;
        m_groupAverageColour = colours.average;
        return true;
    };
    h.editColumnFormats = [this, namedRow](ExcelSettingState &s, int row) {
        if (!namedRow(s, row))
            return false;
        ColumnSetting &c = s.def.columns[size_t(row)];
        return TFormatEditForm::editColumnFormats(this, c.FormatText, c.FormatCodes, c.GroupKeys);
    };
    auto headerList = [this](ExcelSettingState &s, bool rowTotal, bool edit) {
        const QString textKey = rowTotal ? QStringLiteral("RFNAME") : QStringLiteral("FROWSETTING");
        const QString codeKey = rowTotal ? QStringLiteral("RFCODE") : QStringLiteral("FROWCODE");
        QString text = s.def.value(textKey);
        QString codes = s.def.value(codeKey);
        const bool changed = edit ? TFormatEditForm::editListFormats(this, text, codes)
                                  : TExcelFormatForm::chooseListFormat(this, text, codes);
        if (changed) {
            s.def.setValue(textKey, text);
            s.def.setValue(codeKey, codes);
        }
        return changed;
    };
    h.chooseHeaderFormat = [headerList](ExcelSettingState &s, bool rowTotal) {
        return headerList(s, rowTotal, false);
    };
    h.editHeaderFormats = [headerList](ExcelSettingState &s, bool rowTotal) {
        return headerList(s, rowTotal, true);
    };
    h.chooseColour = [this](ExcelSettingState &s, bool fontColour) {
        const QString key =
            fontColour ? QStringLiteral("TITLEFONTCOLOR") : QStringLiteral("TITLEBACKCOLOR");
        int index = s.def.value(key).toInt();
        if (!TColorForm::chooseColor(this, index))
            return false;
        s.def.setValue(key, QString::number(index));
        return true;
    };
    h.choosePivotField = [this](ExcelSettingState &s, int row) {
        if (row < 0 || row >= int(s.def.pivotFields.size()) ||
            s.def.pivotFields[size_t(row)].PhysicalName.trimmed().isEmpty())
            return false;
        return TPivotTableSettingForm::chooseField(this, s.def.pivotFields[size_t(row)]);
    };
    h.choosePassword = [this](QString &password, const QString &title) {
        return TExcelPassWordSettingForm::askPassword(this, title, password, *m_dm.ui);
    };
    h.editSqlCondition = [this](bool fromPart) { editSqlCondition(fromPart); };
    return h;
}

void TExcelSettingForm::editSqlCondition(bool fromPart) {
    collect();
    // A table opened from the tree: its generated statement is the one edited.
    if (m_dm.reportSourceMode == 1 && m_dm.table)
        rebuildAnalysisForTable(m_dm.analysis, m_state.def.columns, m_dm.table->tableName());
    const std::optional<QStringList> lines = TSQLConditionEditForm::editCondition(
        this, fromPart ? SqlConditionPart::From : SqlConditionPart::Where, m_dm.analysis,
        m_state.def.columns, m_dm.settings);
    if (!lines)
        return;
    if (m_links.setSqlLines)
        m_links.setSqlLines(*lines);
    m_dm.analysis = AnalyzeSelect(*lines, m_dm.kind == DbKind::Oracle);
    m_dm.reportSourceMode = 3;
}

} // namespace kelvoran
