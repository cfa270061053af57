// TConditionSetForm: the preferences dialog. It edits the editor and display part of
// AppSettings: the colours of the five editors, the tab widths and marks of the SQL editor and
// of the SQL condition editor, the row-count display and the log folder; its XGA and SVGA
// presets reset folders, geometry, colours and options at once. Modal, centred.
//
// When it opens it keeps a copy of every value it can change (restorePreferences names them).
// "決定" (also Enter and Esc) takes the boxes' values, applies them to the editors and closes;
// "キャンセル" (also the title bar) puts the kept copy back, applies it and closes. A preset
// writes the four folders to the store at once; every other value reaches the store when the
// main window closes. UI thread only.
#pragma once

#include "core/appsettings.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kelvoran {

class TPathSettingForm;
struct TDataModule_Kelvoran;

// What the dialog needs from the main window.
struct PreferenceLinks {
    // Takes the main window's geometry, pane sizes and editor state into the settings.
    std::function<void()> collectWindowValues;
    // Applies geometry, pane sizes, editors, row-count display and the secondary windows'
    // layout, with the main window's resize handling suspended.
    std::function<void()> applyAll;
    // Applies the colours, tab widths, marks and row-count display to the editors and the grid.
    std::function<void()> applyEditors;
    // The row-count choice changed: the row-count box is cleared and the last count forgotten.
    std::function<void()> dataCountChanged;
    // Writes the four folders a preset resets to the store.
    std::function<Status()> writePresetFolders;
    // The log folder chooser.
    TPathSettingForm *pathForm = nullptr;
};

class TConditionSetForm : public QDialog {
    Q_OBJECT
public:
    explicit TConditionSetForm(TDataModule_Kelvoran &dm, QWidget *parent = nullptr);

    void setLinks(PreferenceLinks links) { m_links = std::move(links); }

    // "その他" → "設定": keeps the values, loads the controls and shows the dialog modally.
    void edit();
    // "XGA初期設定" (0) and "SVGA初期設定" (1).
    void applyPreset(int xgaSvgaMode);

    // The editors in row order: Definition, Source, SQL, ErrSourceForm, SQLConditionEditForm.
    static constexpr int kEditors = 5;

public slots:
    // "決定".
    void accept() override;
    // "キャンセル" and the title bar.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildEditorGroup();
    void buildBasicGroup();
    void loadControls();
    void showSample(int editor);
    void chooseColour(int editor, bool text);
    void chooseLogFolder();

    TDataModule_Kelvoran &m_dm;
    PreferenceLinks m_links;
    AppSettings m_kept;
    // The samples' colours (0x00BBGGRR): background and text per editor.
    std::array<int, kEditors> m_back{};
    std::array<int, kEditors> m_font{};

    std::array<QLabel *, kEditors> m_samples{};
    QLineEdit *m_sqlTabs = nullptr;
    QLineEdit *m_conditionTabs = nullptr;
    QComboBox *m_dataCount = nullptr;
    std::array<QCheckBox *, 3> m_sqlMarks{};
    std::array<QCheckBox *, 3> m_conditionMarks{};
    QLineEdit *m_logDir = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_cancel = nullptr;
};

} // namespace kelvoran
