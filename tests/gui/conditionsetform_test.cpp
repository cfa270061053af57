// The preferences dialog and the log folder chooser driven as a user drives them from
// "その他" → "設定": the tab-width boxes, Esc, colours and marks reaching the editors, the row
// count, a preset followed by "キャンセル", the folder chooser, the values saved at close and
// restored at the next start, and the screenshot.
#include "tests/gui/mainwindowfixture.h"

#include "app/conditionsetform.h"
#include "app/errsourceform.h"
#include "app/logshowform.h"
#include "app/pathsettingform.h"

#include <QColorDialog>

using namespace kelvoran;
using namespace kelvoran::test;

namespace {

// Runs answer on the next active modal dialog other than over (polling: exec() blocks).
void answerModal(QWidget *over, std::function<void(QWidget *)> answer) {
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, over, answer] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal && modal != over && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
            // A failed check returns early: the dialog is closed so the test goes on.
            if (modal->isVisible())
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
        }
    });
    timer->start();
}

template <class T> T *named(QWidget *w, const char *name) {
    return w->findChild<T *>(QString::fromLatin1(name));
}

void clickButton(QWidget *w, const char *name) {
    QTest::mouseClick(named<QPushButton>(w, name), Qt::LeftButton);
}

// Chooses a colour in the colour dialog that the button opens.
void chooseColour(QWidget *dialog, const char *button, const QColor &colour) {
    answerModal(dialog, [colour](QWidget *modal) {
        auto *colours = qobject_cast<QColorDialog *>(modal);
        QVERIFY(colours);
        colours->setCurrentColor(colour);
        colours->accept();
    });
    clickButton(dialog, button);
}

} // namespace

class ConditionSetFormTest : public QObject, public MainWindowFixture {
    Q_OBJECT
private:
    AppSettings &settings() { return m_w->dataModule().settings; }
    // Stored values the dialog can change, all different from the presets.
    void storeCustomSettings() {
        QFile::remove(m_settings);
        QSettings s(m_settings, QSettings::IniFormat);
        s.setValue(QStringLiteral("INSTALLDIR"), m_dir.path() + u'/');
        s.setValue(QStringLiteral("KelvoranDataDir"), m_dir.filePath(QStringLiteral("k/")));
        s.setValue(QStringLiteral("ExcelSettingDataDir"), m_dir.filePath(QStringLiteral("e/")));
        s.setValue(QStringLiteral("ExcelDataDir"), m_dir.filePath(QStringLiteral("x/")));
        s.setValue(QStringLiteral("ScheduleDataDir"), m_dir.filePath(QStringLiteral("s/")));
        s.setValue(QStringLiteral("LogFileDir"), logFolder() + u'/');
        const std::pair<const char *, int> ints[] = {{"FormTop", 40},
                                                     {"FormLeft", 60},
                                                     {"FormHeight", 680},
                                                     {"FormWidth", 940},
                                                     {"TabWidth", 500},
                                                     {"GridHeight", 200},
                                                     {"SQLBackColor", 0xE0F0FF},
                                                     {"SQLFontColor", 0x800000},
                                                     {"SourceBackColor", 0xEEEEEE},
                                                     {"ErrSourceFormFontColor", 0x0000C0},
                                                     {"DefinitionBackColor", 0xDDEEFF},
                                                     {"DefinitionFontColor", 0},
                                                     {"SourceFontColor", 0},
                                                     {"ErrSourceFormBackColor", 0xFFFFFF},
                                                     {"SQLConditionEditFormBackColor", 0xFFFFFF},
                                                     {"SQLConditionEditFormFontColor", 0},
                                                     {"SQLTabCnt", 8},
                                                     {"SQLConditionTabCnt", 2},
                                                     {"SQLLineNumber", 1},
                                                     {"SQLConditionEofMark", 1},
                                                     {"DataCount_Flg", 1},
                                                     {"XGASVGAMode", 0}};
        for (const auto &[name, value] : ints)
            s.setValue(QString::fromLatin1(name), value);
        s.sync();
    }
    QString logFolder() {
        const QString dir = m_dir.filePath(QStringLiteral("logs"));
        QDir().mkpath(dir);
        return dir;
    }
    QString storedText(const char *name) {
        QSettings s(m_settings, QSettings::IniFormat);
        return s.value(QString::fromLatin1(name)).toString();
    }
    // "その他" → "設定" with answer run in the dialog; the result it closed with.
    int openPreferences(std::function<void(QWidget *)> answer) {
        int result = -1;
        answerModal(nullptr, [answer, &result, this](QWidget *modal) {
            QCOMPARE(modal, static_cast<QWidget *>(m_w->conditionSetForm()));
            connect(
                m_w->conditionSetForm(), &QDialog::finished, modal,
                [&result](int r) { result = r; }, Qt::SingleShotConnection);
            answer(modal);
        });
        m_w->action(QStringLiteral("Preferences"))->trigger();
        return result;
    }

private slots:
    void initTestCase() { setUpFixture(); }
    void cleanup() { tearDown(); }

    void tabWidthBoxesAndEscPressesOk() {
        storeCustomSettings();
        startWindow();
        const int result = openPreferences([](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("ConditionSetForm"));
            auto *sqlTabs = named<QLineEdit>(dialog, "Edit_SQL_TabCount");
            auto *conditionTabs = named<QLineEdit>(dialog, "Edit_SQLConditionEditTabCount");
            QCOMPARE(sqlTabs->text(), QStringLiteral("8"));
            sqlTabs->setFocus();
            sqlTabs->selectAll();
            QTest::keyClicks(sqlTabs, QStringLiteral("a6x"));
            QCOMPARE(sqlTabs->text(), QStringLiteral("6"));
            QTest::keyClicks(sqlTabs, QStringLiteral("123"));
            QCOMPARE(sqlTabs->text(), QStringLiteral("61"));
            // Cleared and left: "4".
            conditionTabs->setFocus();
            conditionTabs->selectAll();
            QTest::keyClick(conditionTabs, Qt::Key_Backspace);
            QCOMPARE(conditionTabs->text(), QString());
            QTest::keyClick(conditionTabs, Qt::Key_Tab);
            QCOMPARE(conditionTabs->text(), QStringLiteral("4"));
            auto *lineEnds = named<QCheckBox>(dialog, "CheckBox_SQLMark1");
            QTest::mouseClick(lineEnds, Qt::LeftButton, {}, QPoint(6, lineEnds->height() / 2));
            QVERIFY(lineEnds->isChecked());
            sqlTabs->setFocus();
            QTest::keyClick(sqlTabs, Qt::Key_Escape);
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(settings().sqlTabCnt, 61);
        QCOMPARE(settings().sqlConditionTabCnt, 4);
        QVERIFY(settings().sqlEnterMark);
        TextEditor *sql = editor("Memo_SQL");
        QCOMPARE(sql->tabWidth(), 61);
        QVERIFY(sql->showLineEndMarks());
        QVERIFY(sql->showLineNumbers());
    }

    void coloursAndRowCountReachTheWindows() {
        storeCustomSettings();
        startWindow();
        auto *countBox = named<QLineEdit>(m_w.get(), "MemoDataCnt");
        QVERIFY(countBox->isVisible());
        const QColor sqlBack(10, 200, 30);
        const QColor errText(200, 0, 120);
        const int result = openPreferences([&](QWidget *dialog) {
            chooseColour(dialog, "Button_SQLBackColor", sqlBack);
            QCOMPARE(named<QLabel>(dialog, "Panel_SQLSample")->palette().color(QPalette::Window),
                     sqlBack);
            chooseColour(dialog, "Button_ErrSourceFormFontColor", errText);
            // A colour dialog cancelled changes nothing.
            answerModal(dialog, [](QWidget *modal) { static_cast<QDialog *>(modal)->reject(); });
            clickButton(dialog, "Button_DefinitionBackColor");
            auto *count = named<QComboBox>(dialog, "ComboBox_DataCntFlg");
            QCOMPARE(count->currentText(), QStringLiteral("表示する"));
            count->setCurrentIndex(0);
            clickButton(dialog, "Button_OK");
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(editor("Memo_SQL")->backgroundColor(), sqlBack);
        QCOMPARE(editor("Memo_SQL")->textColor(), QColor(0, 0, 0x80));
        QCOMPARE(editor("Memo_Definition")->backgroundColor(), QColor(0xFF, 0xEE, 0xDD));
        QCOMPARE(m_w->findChild<TErrSourceForm *>()->editor()->textColor(), errText);
        QCOMPARE(settings().sqlBackColor, bgrOfColor(sqlBack));
        QCOMPARE(settings().errSourceFormFontColor, bgrOfColor(errText));
        QCOMPARE(settings().dataCountFlg, 0);
        QVERIFY(!countBox->isVisible());
    }

    void presetThenCancelLeavesEverySettingAsItWas() {
        storeCustomSettings();
        startWindow();
        const QSize size = m_w->size();
        const QPoint pos = m_w->pos();
        const int sqlWidth = m_w->sqlPaneWidth();
        const int gridHeight = m_w->gridPaneHeight();
        const QColor sqlBack = editor("Memo_SQL")->backgroundColor();
        const QString logDir = settings().logFileDir;
        const int result = openPreferences([&](QWidget *dialog) {
            const AppSettings before = settings();
            clickButton(dialog, "Button_SVGA");
            // The preset is applied at once and its folders are stored at once.
            QCOMPARE(m_w->size(), QSize(787, 552));
            QCOMPARE(m_w->sqlPaneWidth(), 594);
            QCOMPARE(editor("Memo_SQL")->backgroundColor(), QColor(Qt::white));
            QCOMPARE(settings().xgaSvgaMode, 1);
            QCOMPARE(m_w->logShowForm()->size(), QSize(760, 556));
            QCOMPARE(named<QLineEdit>(dialog, "Edit_SQL_TabCount")->text(), QStringLiteral("4"));
            QCOMPARE(storedText("LogFileDir"), m_dir.path() + QStringLiteral("/LogDataFolder/"));
            QCOMPARE(storedText("ExcelDataDir"), m_dir.filePath(QStringLiteral("x/")));
            clickButton(dialog, "Button_Cancel");
            QVERIFY(settings() == before);
        });
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(m_w->size(), size);
        QCOMPARE(m_w->pos(), pos);
        QCOMPARE(m_w->sqlPaneWidth(), sqlWidth);
        QCOMPARE(m_w->gridPaneHeight(), gridHeight);
        QCOMPARE(editor("Memo_SQL")->backgroundColor(), sqlBack);
        QCOMPARE(editor("Memo_SQL")->tabWidth(), 8);
        QCOMPARE(settings().logFileDir, logDir);
        QCOMPARE(settings().xgaSvgaMode, 0);
        QCOMPARE(m_w->logShowForm()->size(), QSize(1000, 640));
        // The save at close writes the kept folders back.
        m_w->close();
        QCOMPARE(storedText("LogFileDir"), logDir);
        QCOMPARE(storedText("XGASVGAMode"), QStringLiteral("0"));
        QCOMPARE(storedText("SQLTabCnt"), QStringLiteral("8"));
    }

    void logFolderChooserReturnsAFolderWithASeparator() {
        storeCustomSettings();
        QDir().mkpath(logFolder() + QStringLiteral("/night"));
        startWindow();
        const int result = openPreferences([&](QWidget *dialog) {
            QCOMPARE(named<QLineEdit>(dialog, "Edit_LogDir")->text(), logFolder() + u'/');
            answerModal(dialog, [&](QWidget *modal) {
                auto *chooser = qobject_cast<TPathSettingForm *>(modal);
                QVERIFY(chooser);
                QCOMPARE(chooser->windowTitle(), QStringLiteral("LogFolderSettingForm"));
                auto *drives = named<QComboBox>(chooser, "DriveComboBox");
                QCOMPARE(drives->itemText(0), QStringLiteral("/"));
                QCOMPARE(chooser->currentFolder(), logFolder());
                QListWidget *list = chooser->directoryList();
                QListWidgetItem *night = nullptr;
                for (int i = 0; i < list->count(); ++i)
                    if (list->item(i)->text().trimmed() == u"night")
                        night = list->item(i);
                QVERIFY(night);
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(night).center());
                QCOMPARE(named<QLineEdit>(chooser, "Edit_SelectPath")->text(),
                         logFolder() + QStringLiteral("/night"));
                clickButton(chooser, "Button_OK");
            });
            clickButton(dialog, "Button_LogDir");
            QCOMPARE(named<QLineEdit>(dialog, "Edit_LogDir")->text(),
                     logFolder() + QStringLiteral("/night/"));
            clickButton(dialog, "Button_OK");
        });
        QCOMPARE(result, int(QDialog::Accepted));
        QCOMPARE(settings().logFileDir, logFolder() + QStringLiteral("/night/"));

        // A log folder that cannot be opened: the home folder, also after "キャンセル".
        settings().logFileDir = m_dir.filePath(QStringLiteral("gone/"));
        openPreferences([&](QWidget *dialog) {
            QCOMPARE(named<QLineEdit>(dialog, "Edit_LogDir")->text(), QDir::homePath() + u'/');
            answerModal(dialog, [](QWidget *modal) {
                auto *chooser = qobject_cast<TPathSettingForm *>(modal);
                QVERIFY(chooser);
                QCOMPARE(chooser->currentFolder(), QDir::homePath());
                clickButton(chooser, "Button_Cancel");
            });
            clickButton(dialog, "Button_LogDir");
            QCOMPARE(named<QLineEdit>(dialog, "Edit_LogDir")->text(), QDir::homePath() + u'/');
            clickButton(dialog, "Button_OK");
        });
        QCOMPARE(settings().logFileDir, QDir::homePath() + u'/');
    }

    void handOffClosesTheChooserAndThePreferencesAsCancelled() {
        storeCustomSettings();
        startWindow();
        const QSize size = m_w->size();
        bool chooserClosed = false;
        const int result = openPreferences([&](QWidget *dialog) {
            clickButton(dialog, "Button_SVGA");
            answerModal(dialog, [&](QWidget *chooser) {
                QVERIFY(qobject_cast<TPathSettingForm *>(chooser));
                // A file handed over by a second start closes the open dialogs first.
                emit m_w->fileCommands()->secondaryWindowsClosing();
                chooserClosed = !chooser->isVisible();
            });
            clickButton(dialog, "Button_LogDir");
        });
        QVERIFY(chooserClosed);
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(settings().xgaSvgaMode, 0);
        QCOMPARE(settings().logFileDir, logFolder() + u'/');
        QCOMPARE(m_w->size(), size);
    }

    void settingsAreSavedAtCloseAndRestoredAtTheNextStart() {
        storeCustomSettings();
        startWindow();
        openPreferences([](QWidget *dialog) {
            clickButton(dialog, "Button_SVGA");
            auto *sqlTabs = named<QLineEdit>(dialog, "Edit_SQL_TabCount");
            sqlTabs->setFocus();
            sqlTabs->selectAll();
            QTest::keyClicks(sqlTabs, QStringLiteral("6"));
            auto *eof = named<QCheckBox>(dialog, "CheckBox_SQLConditionMark2");
            QTest::mouseClick(eof, Qt::LeftButton, {}, QPoint(6, eof->height() / 2));
            QTest::keyClick(sqlTabs, Qt::Key_Return);
        });
        m_w->close();
        m_w.reset();

        startWindow();
        QCOMPARE(settings().xgaSvgaMode, 1);
        QCOMPARE(settings().sqlTabCnt, 6);
        QVERIFY(settings().sqlConditionEofMark);
        QCOMPARE(editor("Memo_SQL")->tabWidth(), 6);
        QCOMPARE(m_w->size(), QSize(787, 552));
        QCOMPARE(m_w->sqlPaneWidth(), 594);
        m_w->action(QStringLiteral("LogView"))->trigger();
        QCOMPARE(m_w->logShowForm()->size(), QSize(760, 556));
        QCOMPARE(m_w->logShowForm()->pos(), QPoint(9, 6));
    }

    void screenshot() {
        storeCustomSettings();
        startWindow();
        openPreferences([this](QWidget *dialog) {
            const QString dir = qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
                                    ? QStringLiteral(KELVORAN_DOCS_DIR)
                                    : m_dir.path();
            QDir().mkpath(dir);
            QTest::qWait(50);
            QVERIFY(dialog->grab().toImage().save(dir + QStringLiteral("/conditionsetform.png")));
            bool chooserShot = false;
            answerModal(dialog, [&](QWidget *chooser) {
                QTest::qWait(50);
                chooserShot =
                    chooser->grab().toImage().save(dir + QStringLiteral("/pathsettingform.png"));
                clickButton(chooser, "Button_Cancel");
            });
            clickButton(dialog, "Button_LogDir");
            QVERIFY(chooserShot);
            clickButton(dialog, "Button_Cancel");
        });
    }
};

QTEST_MAIN(ConditionSetFormTest)
#include "conditionsetform_test.moc"
