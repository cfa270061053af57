// TErrSourceForm: the error source viewer of an invalid PL/SQL unit. The unit's source with line
// numbers and a column ruler in the editor's top margin, the errors in a grid below; a grid
// click, F3 and F4 put the caret on an error. The stepping rules are ErrorStepper's; the grid
// and the ruler come from ui/errsourceview. UI thread only.
#pragma once

#include "db/errorsource.h"

#include <QMainWindow>

class QLineEdit;
class QPainter;
class QPushButton;
class QTableWidget;
class QTreeWidgetItem;

namespace kelvoran {

struct TDataModule_Kelvoran;
class TextEditor;

class TErrSourceForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TErrSourceForm(TDataModule_Kelvoran &dm, QWidget *parent = nullptr);

    // "エラーソース(&S)": fills the viewer from the node's unit and shows it (not modally). For
    // any other node it shows what it held. A failing statement throws DbException before
    // anything changes, and the viewer is not shown.
    void showErrorSource(QTreeWidgetItem *node);
    // Fills the header, the grid and the editor; no error row is chosen yet.
    void showData(const ErrorSourceData &source);
    // Edit_Err_Point back to "0" (the main window built a new Definition or Source text).
    void resetErrorCount();

    // F3 and F4 ("エラー検索(下方）", "エラー検索（上方）").
    void nextError();
    void previousError();
    // A click on a grid row (0-based, below the heading): it becomes the current error, the
    // caret goes to it and the editor takes the focus.
    void goToError(int gridRow);
    // The current error row, 0 before one is chosen.
    int currentError() const { return m_stepper.current(); }

    TextEditor *editor() const { return m_editor; }
    QTableWidget *grid() const { return m_grid; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildMenu();
    void layoutControls();
    void paintRuler(QPainter *painter, const QRect &rect);
    void updateRuler();
    // The grid's first row shown whole below the heading (1-based), for the stepper.
    int gridTopRow() const;
    void selectCurrentError();
    void moveCaretToCurrentError();

    TDataModule_Kelvoran &m_dm;
    ErrorStepper m_stepper;
    QWidget *m_header;
    QLineEdit *m_objectName;
    QLineEdit *m_errorCount;
    TextEditor *m_editor;
    QWidget *m_gridPanel;
    QTableWidget *m_grid;
    QWidget *m_bottom;
    QPushButton *m_close;
};

} // namespace kelvoran
