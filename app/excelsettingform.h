// TExcelSettingForm: the report designer. Two pages ("DataLayOutSetting" with the column grid
// and the layout of the data sheet, "PivotTableSetting" with the pivot grid and the pivot
// table's options), a menu bar, and the bottom buttons "Excel出力", "全削除" and "キャンセル".
// The values and every rule live in ExcelSettingState; the window shows them, passes user
// actions to it and binds the libraries (validation, settings files, credentials). Created once
// with the main window; its values survive closing it. UI thread only.
//
// How the window is used:
//  1. the main window opens it for the current SELECT (openForSelect) or after a settings file
//     with PROCFLG "1" was read (showLoaded);
//  2. the user edits values and grids; the dialogs of the format codes, colours, pivot fields,
//     passwords and SQL conditions change the state;
//  3. "設定の保存(Excel)" validates and saves mode "1", "設定の保存(CSVエクスポート)" saves
//     mode "3", "Excel出力" hands the values to the report run;
//  4. at program end excelSetting() gives the values kept for the next start.
#pragma once

#include "ui/excelsettingstate.h"

#include <QDialog>

#include <functional>
#include <map>

class QAction;
class QComboBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace kelvoran {

struct TDataModule_Kelvoran;
class DialogInteraction;
class TCSVSettingForm;

// What the designer needs from the main window.
struct DesignerLinks {
    // The select list shown by the main window (AnalyzeCol).
    std::function<std::vector<SelectItem>()> selectItems;
    // The SQL editor's lines.
    std::function<QStringList()> sqlLines;
    // Reads a settings file as "開く" does (a PROCFLG "1" file comes back through showLoaded);
    // true when it was read.
    std::function<bool(const QString &path)> loadSettingsFile;
    // Replaces the SQL editor's text (after the SQL condition editor).
    std::function<void(const QStringList &lines)> setSqlLines;
    // The interactive report run for the designer's values (the "Excel出力" hand-over).
    std::function<void(ReportDefinition &def)> runReport;
    // The CSV options dialog, asked before a save in mode "3".
    TCSVSettingForm *csvForm = nullptr;
    // The program's dialogs, whose file dialogs take a preset name (may be null).
    DialogInteraction *dialogs = nullptr;
};

class TExcelSettingForm : public QDialog {
    Q_OBJECT
public:
    TExcelSettingForm(TDataModule_Kelvoran &dm, QWidget *parent = nullptr);
    ~TExcelSettingForm() override;

    void setLinks(DesignerLinks links) { m_links = std::move(links); }

    // Opened from the main window: the grids take the current select list (every width,
    // format and pivot choice dropped), the other values stay; shown modally.
    void openForSelect();
    // A settings file with PROCFLG "1" was read into def: everything it holds replaces the
    // values; shown modally, or brought to the front when already showing.
    void showLoaded(const ReportDefinition &def);

    // The current values and grids as the libraries take them.
    ReportDefinition definition();
    const ExcelSettingState &state() const { return m_state; }

    // Window size and grid widths of a layout mode (0 XGA, 1 SVGA).
    void applyLayoutMode(int xgaSvgaMode);
    // The ExcelSetting values: shown at start, taken at program end.
    void applyExcelSetting(const ExcelSettingValues &values);
    ExcelSettingValues excelSetting(const ExcelSettingValues &base);

    // The commands of the menus and buttons.
    void loadSettings();
    void saveExcelSettings();
    void saveCsvSettings();
    void addRow();
    void deleteRow();
    void excelOutput();
    void allClear();
    void resetToInitial();
    // The pop-up menus of the column grid and the two format edits at a global position.
    void popupGridMenu(const QPoint &globalPos);

    // Runs the "編集" menu's opening rule (also before its shortcuts).
    void updateEditMenu();
    QMenuBar *menuBar() const { return m_menuBar; }
    QAction *action(const QString &name) const;

    // Start and end time of the last "Excel出力" (the hidden Edit3 and Edit4).
    QString outputStartTime() const;
    QString outputEndTime() const;

    // Hooks the dialogs of the format codes, colours, pivot fields, passwords and SQL
    // conditions are called through; each returns true when the state changed. The program's
    // dialogs are installed at construction.
    struct DialogHooks {
        std::function<bool(ExcelSettingState &, int row)> chooseColumnFormat;
        std::function<bool(ExcelSettingState &, int row)> editColumnFormats;
        std::function<bool(ExcelSettingState &, bool rowTotal)> chooseHeaderFormat;
        std::function<bool(ExcelSettingState &, bool rowTotal)> editHeaderFormats;
        std::function<bool(ExcelSettingState &, bool fontColour)> chooseColour;
        std::function<bool(ExcelSettingState &, int pivotRow)> choosePivotField;
        std::function<bool(QString &password, const QString &title)> choosePassword;
        std::function<void(bool fromPart)> editSqlCondition;
    };
    void setDialogHooks(DialogHooks hooks) { m_hooks = std::move(hooks); }

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    DialogHooks programDialogs();
    void editSqlCondition(bool fromPart);
    void buildLayoutPage(QWidget *page);
    void buildPivotPage(QWidget *page);
    void buildMenus();
    void buildGrids();
    QLineEdit *addEdit(QWidget *page, const char *name, int x, int y, int w);
    QCheckBox *addCheck(QWidget *page, const char *name, const QString &caption, int x, int y,
                        int w);
    QLabel *addLabel(QWidget *page, const QString &caption, int x, int y, int w,
                     QWidget *buddy = nullptr);
    QPushButton *addButton(QWidget *page, const char *name, const QString &caption, int x, int y,
                           int w);
    QComboBox *addCombo(QWidget *page, const char *name, const QStringList &items, int x, int y,
                        int w);

    // Values between the controls and the state.
    void collect();
    void showState();
    void showGrids();
    void showControlViews();
    void showColourSample();
    void recentreHeadings();
    void refillPageBreakKeys(const QString &previousText);
    void placeMovingControls();
    void placeBottomButtons();

    void checkBoxClicked(const QString &name);
    void columnCellChanged(int row, int column);
    void columnCellDoubleClicked(int row, int column);
    void pivotCellDoubleClicked(int row, int column);
    void moveGridRow(QTableWidget *grid, int from, int to);
    void chooseTemplate();
    void choosePassword(const char *edit, const QString &title);
    void formatCommand(bool edit);
    void headerFormatCommand(bool rowTotal, bool edit);
    void clearHeaderFormat(bool rowTotal);
    void colourCommand(bool fontColour);
    bool validate();
    void focusControl(const QString &name, bool selectText);

    TDataModule_Kelvoran &m_dm;
    DesignerLinks m_links;
    DialogHooks m_hooks;
    ExcelSettingState m_state;
    int m_layoutMode = 0;
    // Palette numbers of group total and average rows (GpSumColor, GpAvgColor), changed in the
    // format chooser.
    int m_groupTotalColour = 36;
    int m_groupAverageColour = 40;
    bool m_showing = false;
    QString m_lastTemplate;
    QString m_startTime, m_endTime;

    QMenuBar *m_menuBar = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_gridMenu = nullptr;
    std::map<QString, QAction *> m_actions;
    QTabWidget *m_pages = nullptr;
    QTableWidget *m_columns = nullptr;
    QTableWidget *m_pivot = nullptr;
    std::map<QString, QLineEdit *> m_edits;
    std::map<QString, QCheckBox *> m_checks;
    std::map<QString, QComboBox *> m_combos;
    std::map<QString, QPushButton *> m_buttons;
    // Labels that follow the visibility of their control.
    std::vector<std::pair<QLabel *, QWidget *>> m_labels;
    // Controls moved up while the data position is hidden, with their normal top.
    std::vector<std::pair<QWidget *, int>> m_moving;
    QPushButton *m_outButton = nullptr;
    QPushButton *m_clearButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

} // namespace kelvoran
