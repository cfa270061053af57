// TErrSQLShowForm: one failed statement of a script run over its error entry, opened modally
// from the error list. UI thread only.
#pragma once

#include <QDialog>

class QPushButton;
class QWidget;

namespace kelvoran {

class TextEditor;

class TErrSQLShowForm : public QDialog {
    Q_OBJECT
public:
    explicit TErrSQLShowForm(QWidget *parent = nullptr);

    // Shows the statement (its display text, CR LF line ends) and its error entry modally,
    // centred on the screen.
    void showStatement(const QString &displayText, const QString &errorEntry);

    TextEditor *sqlMemo() const { return m_sql; }
    TextEditor *messageMemo() const { return m_message; }
    QPushButton *okButton() const { return m_ok; }

    // However the window closes (OK, Enter, Esc, cancelled from outside), both editors are
    // emptied.
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TextEditor *makeMemo(const QString &name, QWidget *parent);

    QWidget *m_top;
    QWidget *m_bottom;
    TextEditor *m_sql;
    TextEditor *m_message;
    QPushButton *m_ok;
};

} // namespace kelvoran
