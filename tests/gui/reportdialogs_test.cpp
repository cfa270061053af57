// The pivot field dialog, the Excel password dialog and the SQL condition editor of the report
// designer driven offscreen as a person uses them; each one's answer on "決定" and on cancel, and
// their screenshots.
#include "app/excelpasswordsettingform.h"
#include "app/pivottablesettingform.h"
#include "app/sqlconditioneditform.h"
#include "core/appsettings.h"
#include "editor/texteditor.h"
#include "report/userinteraction.h"
#include "tests/gui/dialogdriver.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <memory>

using namespace kelvoran;
using namespace kelvoran::test;

#include <QLabel>
#include <QLineEdit>
#include <QStyle>

class ReportDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    std::unique_ptr<QWidget> m_designer; // stands for the window that opens the dialogs

private slots:
    void init() { m_designer = std::make_unique<QWidget>(); }
    void cleanup() { m_designer.reset(); }

    // ------------------------------------------------------------------------------------
    // Pivot field dialog

    void pivotDialogWritesTheRowOnDecide() {
        struct Step {
            QString kind;
            QString aggregation; // clicked when shown; empty: none
            bool cancel;
            bool listVisible;
            bool listEnabled;
            QString code, kindText, aggregationText;
        };
        const std::vector<Step> steps = {
            {"データフィールド", "合計", false, true, true, "PF3/PS1/   /   /,",
             "〔データフィールド〕", "〔合計〕"},
            // Another kind hides the list; the aggregation chosen before is still written.
            {"行フィールド", "", false, false, true, "PF1/PS1/   /   /,", "〔行フィールド〕",
             "〔合計〕"},
            // Cancel keeps the row as it was.
            {"データフィールド", "標本分散", true, true, true, "PF1/PS1/   /   /,",
             "〔行フィールド〕", "〔合計〕"},
            // "対象外(クリア)" disables the list, selects its first item and clears the row.
            {"データフィールド", "", false, true, true, "PF3/PS1/   /   /,", "〔データフィールド〕",
             "〔合計〕"},
            {"対象外(クリア)", "", false, true, false, "", "", ""},
        };
        PivotFieldSetting row{QStringLiteral("AMOUNT"), {}, {}, {}, {}, QStringLiteral("3")};
        for (const Step &step : steps) {
            bool visible = false, enabled = false;
            int aggregationRow = -1;
            onNextModal([&](QWidget *modal) {
                auto *list = control<QListWidget>(modal, "ListBoxAggregation");
                clickItem(control<QListWidget>(modal, "ListBoxFieldKind"), step.kind);
                if (!step.aggregation.isEmpty())
                    clickItem(list, step.aggregation);
                visible = list->isVisible();
                enabled = list->isEnabled();
                aggregationRow = list->currentRow();
                if (step.cancel)
                    click(modal, "Button_Cancel");
                else
                    press(modal, Qt::Key_Return);
            });
            const bool decided = TPivotTableSettingForm::chooseField(m_designer.get(), row);
            QCOMPARE(visible, step.listVisible);
            QCOMPARE(enabled, step.listEnabled);
            QCOMPARE(decided, !step.cancel);
            if (step.kind == u"対象外(クリア)")
                QCOMPARE(aggregationRow, 0);
            QCOMPARE(row.PivotCode, step.code);
            QCOMPARE(row.FieldKindText, step.kindText);
            QCOMPARE(row.AggregationText, step.aggregationText);
            QCOMPARE(row.PhysicalName, QStringLiteral("AMOUNT"));
            QCOMPARE(row.Link, QStringLiteral("3"));
        }
    }

    // ------------------------------------------------------------------------------------
    // Excel password dialog

    void passwordDialogChecksBeforeSetting_data() {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("old");
        QTest::addColumn<QString>("typedNew");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("result");
        QTest::newRow("first password") << ""
                                        << ""
                                        << "abc"
                                        << "abc"
                                        << ""
                                        << ""
                                        << "abc";
        QTest::newRow("changed") << "abc"
                                 << "abc"
                                 << "xyz"
                                 << "xyz"
                                 << ""
                                 << ""
                                 << "xyz";
        QTest::newRow("removed") << "abc"
                                 << "abc"
                                 << ""
                                 << ""
                                 << ""
                                 << ""
                                 << "";
        QTest::newRow("wrong old password")
            << "abc"
            << "abd"
            << "xyz"
            << "xyz"
            << "設定されていたパスワードが異なります。確認してください。"
            << "EditOldPassWord"
            << "abc";
        QTest::newRow("confirmation differs")
            << ""
            << ""
            << "xyz"
            << "xya"
            << "設定したパスワードと確認用パスワードが異なります。確認してください。"
            << "EditKakuninPassWord"
            << "";
        const QString longer(42, u'a');
        QTest::newRow("longer than a settings file holds")
            << ""
            << "" << longer << longer
            << "パスワードは半角の英数字・記号で41文字以内にしてください。"
            << "EditNewPassWord"
            << "";
    }
    void passwordDialogChecksBeforeSetting() {
        QFETCH(QString, current);
        QFETCH(QString, old);
        QFETCH(QString, typedNew);
        QFETCH(QString, confirm);
        QFETCH(QString, warning);
        QFETCH(QString, focused);
        QFETCH(QString, result);
        RecordingInteraction ui;
        bool oldEnabled = false, stayed = false;
        QString title, focus;
        onNextModal([&](QWidget *modal) {
            title = control<QLabel>(modal, "LabelTitle")->text();
            auto *oldEdit = control<QLineEdit>(modal, "EditOldPassWord");
            oldEnabled = oldEdit->isEnabled();
            if (oldEnabled)
                QTest::keyClicks(oldEdit, old);
            QTest::keyClicks(control<QLineEdit>(modal, "EditNewPassWord"), typedNew);
            QTest::keyClicks(control<QLineEdit>(modal, "EditKakuninPassWord"), confirm);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            stayed = modal->isVisible();
            if (stayed) {
                focus = QApplication::focusWidget()->objectName();
                click(modal, "Button_Cancel");
            }
        });
        QString password = current;
        const bool set = TExcelPassWordSettingForm::askPassword(
            m_designer.get(), QStringLiteral("出力ファイル書き込みパスワード設定"), password, ui);
        QCOMPARE(title, QStringLiteral("出力ファイル書き込みパスワード設定"));
        QCOMPARE(oldEnabled, !current.isEmpty());
        QCOMPARE(set, warning.isEmpty());
        QCOMPARE(stayed, !warning.isEmpty());
        QCOMPARE(password, result);
        if (warning.isEmpty()) {
            QVERIFY(ui.messages.empty());
        } else {
            QCOMPARE(ui.messages.size(), size_t(1));
            QCOMPARE(ui.messages[0].text, warning);
            QCOMPARE(ui.messages[0].icon, MessageIcon::Warning);
            QCOMPARE(focus, focused);
        }
    }

    void passwordsShowAsStarsAndNeverCarryOver() {
        RecordingInteraction ui;
        QString first = QStringLiteral("secret");
        onNextModal([](QWidget *modal) {
            QTest::keyClicks(control<QLineEdit>(modal, "EditOldPassWord"), QStringLiteral("se"));
            QTest::keyClicks(control<QLineEdit>(modal, "EditNewPassWord"), QStringLiteral("n"));
            modal->close();
        });
        QVERIFY(!TExcelPassWordSettingForm::askPassword(m_designer.get(), QStringLiteral("T"),
                                                        first, ui));
        QCOMPARE(first, QStringLiteral("secret"));
        QStringList texts;
        onNextModal([&texts](QWidget *modal) {
            for (const char *name : {"EditOldPassWord", "EditNewPassWord", "EditKakuninPassWord"}) {
                auto *edit = control<QLineEdit>(modal, name);
                texts << edit->text();
                QCOMPARE(edit->echoMode(), QLineEdit::Password);
                QCOMPARE(
                    edit->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, edit),
                    int('*'));
            }
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QString second;
        QVERIFY(!TExcelPassWordSettingForm::askPassword(m_designer.get(), QStringLiteral("R"),
                                                        second, ui));
        QCOMPARE(texts, QStringList({"", "", ""}));
    }

    // ------------------------------------------------------------------------------------
    // SQL condition editor

    void conditionEditorFillsAndHandsBackTheSql() {
        SelectAnalysis analysis;
        analysis.statementKind = StatementKind::Query;
        analysis.selectHead = QStringLiteral("SELECT ");
        analysis.selectLines = {QStringLiteral("SELECT a x, b")};
        analysis.fromLines = {QStringLiteral("FROM t"), QStringLiteral("  ")};
        analysis.whereLines = {QStringLiteral("WHERE a > 1")};
        const std::vector<ColumnSetting> rows = {
            {QStringLiteral("a"), QStringLiteral("x"), {}, {}, {}, {}, {}},
            {QStringLiteral("b"), {}, {}, {}, {}, {}, {}},
            {QStringLiteral(" "), {}, {}, {}, {}, {}, {}}};
        AppSettings settings;
        settings.sqlConditionEditFormBackColor = 0x00C0FFFF; // 0x00BBGGRR: light yellow
        settings.sqlConditionEditFormFontColor = 0x00800000; // navy
        settings.sqlConditionLineNumber = true;

        QStringList upper, lower;
        bool upperReadOnly = false, lineNumbers = false;
        QColor paper;
        onNextModal([&](QWidget *modal) {
            auto *form = static_cast<TSQLConditionEditForm *>(modal);
            upper = form->selectFromMemo()->lines();
            lower = form->whereMemo()->lines();
            upperReadOnly = form->selectFromMemo()->isReadOnly();
            lineNumbers = form->whereMemo()->showLineNumbers();
            paper = form->whereMemo()->backgroundColor();
            QVERIFY(form->whereMemo()->hasFocus());
            QTest::keyClick(form->whereMemo(), Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(form->whereMemo(), Qt::Key_Return);
            QTest::keyClicks(form->whereMemo(), QStringLiteral("  AND b < 2"));
            click(modal, "Button_EditOK");
        });
        const std::optional<QStringList> sql = TSQLConditionEditForm::editCondition(
            m_designer.get(), SqlConditionPart::From, analysis, rows, settings);
        QCOMPARE(upper, QStringList({"SELECT a x, ", "       b  "}));
        QCOMPARE(lower, QStringList({"FROM t", "WHERE a > 1"}));
        QVERIFY(upperReadOnly);
        QVERIFY(lineNumbers);
        QCOMPARE(paper, QColor(0xFF, 0xFF, 0xC0));
        QVERIFY(sql.has_value());
        QCOMPARE(*sql, QStringList(
                           {"SELECT a x, ", "       b  ", "FROM t", "WHERE a > 1", "  AND b < 2"}));

        // The WHERE part: FROM ends the upper editor; cancel hands back nothing.
        onNextModal([&](QWidget *modal) {
            auto *form = static_cast<TSQLConditionEditForm *>(modal);
            upper = form->selectFromMemo()->lines();
            lower = form->whereMemo()->lines();
            QTest::keyClicks(form->whereMemo(), QStringLiteral("changed "));
            click(modal, "Button_Cancel");
        });
        QVERIFY(!TSQLConditionEditForm::editCondition(m_designer.get(), SqlConditionPart::Where,
                                                      analysis, rows, settings));
        QCOMPARE(upper, QStringList({"SELECT a x, ", "       b  ", "FROM t"}));
        QCOMPARE(lower, QStringList({"WHERE a > 1"}));
    }

    void conditionEditorNeedsASelectPart() {
        SelectAnalysis none; // no SELECT with FROM found
        bool opened = false;
        QTimer *poller = onNextModal([&opened](QWidget *modal) {
            opened = true;
            modal->close();
        });
        QVERIFY(!TSQLConditionEditForm::editCondition(m_designer.get(), SqlConditionPart::From,
                                                      none, {}, AppSettings()));
        QTest::qWait(50);
        QVERIFY(!opened);
        delete poller;
    }

    void screenshots() {
        const QString dir = shotDir(m_tmp);
        QDir().mkpath(dir);
        auto shoot = [&dir](QWidget *modal, const char *file) {
            return saveShot(modal, dir, file);
        };
        bool saved[3] = {};
        PivotFieldSetting row{QStringLiteral("AMOUNT"),
                              {},
                              QStringLiteral("〔データフィールド〕"),
                              QStringLiteral("〔合計〕"),
                              QStringLiteral("PF3/PS1/   /   /,"),
                              QStringLiteral("3")};
        onNextModal([&](QWidget *modal) {
            saved[0] = shoot(modal, "pivottablesettingform.png");
            click(modal, "Button_Cancel");
        });
        TPivotTableSettingForm::chooseField(m_designer.get(), row);
        RecordingInteraction ui;
        QString password = QStringLiteral("old");
        onNextModal([&](QWidget *modal) {
            QTest::keyClicks(control<QLineEdit>(modal, "EditOldPassWord"), QStringLiteral("old"));
            QTest::keyClicks(control<QLineEdit>(modal, "EditNewPassWord"), QStringLiteral("new1"));
            saved[1] = shoot(modal, "excelpasswordsettingform.png");
            click(modal, "Button_Cancel");
        });
        TExcelPassWordSettingForm::askPassword(
            m_designer.get(), QStringLiteral("出力ファイル読み込みパスワード設定"), password, ui);
        SelectAnalysis analysis;
        analysis.selectHead = QStringLiteral("SELECT ");
        analysis.selectLines = {QStringLiteral("SELECT region, shop, amount")};
        analysis.fromLines = {QStringLiteral("  FROM sales s")};
        analysis.whereLines = {QStringLiteral(" WHERE s.sold_on >= '2024-01-01'"),
                               QStringLiteral(" ORDER BY region, shop")};
        const std::vector<ColumnSetting> rows = {
            {QStringLiteral("region"), {}, {}, {}, {}, {}, {}},
            {QStringLiteral("shop"), {}, {}, {}, {}, {}, {}},
            {QStringLiteral("SUM(amount)"), QStringLiteral("total"), {}, {}, {}, {}, {}}};
        onNextModal([&](QWidget *modal) {
            modal->resize(560, 320);
            saved[2] = shoot(modal, "sqlconditioneditform.png");
            click(modal, "Button_Cancel");
        });
        AppSettings settings; // the first-run editor colours and options
        settings.sqlConditionEditFormBackColor = kWhite;
        settings.sqlConditionEditFormFontColor = kBlack;
        settings.sqlConditionLineNumber = true;
        TSQLConditionEditForm::editCondition(m_designer.get(), SqlConditionPart::Where, analysis,
                                             rows, settings);
        for (bool s : saved)
            QVERIFY(s);
    }
};

QTEST_MAIN(ReportDialogsTest)
#include "reportdialogs_test.moc"
