// TPathSettingForm: the log folder chooser. A drive box, a directory list (the folder's parents,
// the folder itself and its subfolders) and the read-only "選択パス" box. Clicking a folder
// shows it in the box, double-clicking opens it. "決定" returns the folder shown with a trailing
// separator; "キャンセル" (or the title bar) returns the folder it was opened with. Modal.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace kelvoran {

class TPathSettingForm : public QDialog {
    Q_OBJECT
public:
    explicit TPathSettingForm(QWidget *parent = nullptr);

    // Opens the chooser on the log folder (the user's home folder when that cannot be opened)
    // and returns the folder chosen.
    QString chooseFolder(const QString &logFolder);
    // The folder it opens on when the log folder cannot be opened.
    static QString fallbackFolder();

    // The folder the list shows and the folder shown in the box.
    QString currentFolder() const { return m_folder; }
    QString selectedPath() const;
    QListWidget *directoryList() const { return m_list; }

private:
    void openFolder(const QString &folder);
    void listFolder();

    QString m_folder;
    QComboBox *m_drives;
    QListWidget *m_list;
    QLineEdit *m_path;
    QPushButton *m_ok;
    QPushButton *m_cancel;
};

} // namespace kelvoran
