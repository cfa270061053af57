// The format dialogs of the report designer driven offscreen as a person uses them: the format
// chooser, the format list editor and the colour palette; each one's answer on "決定" and on
// cancel, closing them as cancelled, and their screenshots.
#include "app/colorform.h"
#include "app/excelformatform.h"
#include "app/formateditform.h"
#include "app/reportdialogs.h"
#include "tests/gui/dialogdriver.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <memory>

using namespace kelvoran;
using namespace kelvoran::test;

#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>

#include <map>

namespace {

// The palette as the swatches show it, in the designer's order with their on-screen colours.
const int kOrder[40] = {1,  53, 52, 51, 49, 11, 55, 56, 9,  46, 12, 10, 14, 5,
                        47, 16, 3,  45, 43, 50, 42, 41, 13, 48, 7,  44, 6,  4,
                        8,  33, 54, 15, 38, 40, 36, 35, 34, 37, 39, 2};
const std::map<int, QRgb> kColours = {
    {1, 0x000000},  {3, 0xFF0000},  {4, 0x00FF00},  {5, 0x0000FF},  {6, 0xFFFF00},  {7, 0xFF00FF},
    {8, 0x00FFFF},  {9, 0x800000},  {10, 0x008000}, {11, 0x000080}, {12, 0x808000}, {13, 0x800080},
    {14, 0x008080}, {15, 0xC0C0C0}, {16, 0x808080}, {33, 0x7BC1D9}, {34, 0xC2E9BC}, {35, 0xD0EAD9},
    {36, 0xFEFC96}, {37, 0x94CDE0}, {38, 0xFE87D8}, {39, 0xC98FC1}, {40, 0xF4C69F}, {41, 0x6060FF},
    {42, 0x6AC8C4}, {43, 0x83C83E}, {44, 0xEACD02}, {45, 0xFF9933}, {46, 0xEB6807}, {47, 0x6D7092},
    {48, 0x97988F}, {49, 0x002855}, {50, 0x009F00}, {51, 0x004040}, {52, 0x47421F}, {53, 0x994500},
    {54, 0x97175A}, {55, 0x3C2F9B}, {56, 0x272727}};

} // namespace

class FormatDialogsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    std::unique_ptr<QWidget> m_designer; // stands for the window that opens the dialogs

    // A column's format list and the group colours, as the designer holds them.
    struct Column {
        QString text, codes, keys;
        GroupRowColours colours;
    };

private slots:
    void init() { m_designer = std::make_unique<QWidget>(); }
    void cleanup() { m_designer.reset(); }

    // ------------------------------------------------------------------------------------
    // Format chooser

    void chooserOffersTheKindsOfItsContext_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("last");
        QTest::addColumn<bool>("fontSize");
        QTest::newRow("report column") << int(FormatContext::Column) << 20
                                       << QStringLiteral("平均（avg関数埋め込み）") << true;
        QTest::newRow("column-name row, row total")
            << int(FormatContext::HeaderOrTotal) << 14 << QStringLiteral("縮小して表示") << true;
        QTest::newRow("fixed or extended report")
            << int(FormatContext::FixedOrExtended) << 13 << QStringLiteral("縮小して表示") << false;
    }
    void chooserOffersTheKindsOfItsContext() {
        QFETCH(int, context);
        QFETCH(int, count);
        QFETCH(QString, last);
        QFETCH(bool, fontSize);
        QStringList shown;
        onNextModal([&](QWidget *modal) {
            shown = itemTexts(control<QListWidget>(modal, "ListBoxFormatKind"));
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        Column c;
        QVERIFY(!TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext(context),
                                                      c.text, c.codes, c.keys, c.colours));
        QCOMPARE(shown.size(), count);
        QCOMPARE(shown.first(), QStringLiteral("ゼロパディング"));
        QCOMPARE(shown.last(), last);
        QCOMPARE(shown.contains(QStringLiteral("フォントサイズ")), fontSize);
    }

    void chooserAppendsTheCodeOfTheChoice_data() {
        QTest::addColumn<int>("context");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("param1"); // typed over the first value; empty: kept
        QTest::addColumn<QString>("param2");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("code");
        const int column = int(FormatContext::Column);
        QTest::newRow("zero padding 0 x 5") << column << "ゼロパディング"
                                            << ""
                                            << "5" << -1 << "〔ゼロパディング〕"
                                            << "001/0  /5  /   /,";
        QTest::newRow("zero padding * x 12") << column << "ゼロパディング"
                                             << "*"
                                             << "12" << -1 << "〔ゼロパディング〕"
                                             << "001/*  /12 /   /,";
        QTest::newRow("font size typed 3 of 4 characters") << column << "フォントサイズ"
                                                           << "1234"
                                                           << "" << -1 << "〔フォントサイズ〕"
                                                           << "005/123/   /   /,";
        QTest::newRow("font size first value 10") << column << "フォントサイズ"
                                                  << ""
                                                  << "" << -1 << "〔フォントサイズ〕"
                                                  << "005/ 10/   /   /,";
        QTest::newRow("date style 4th item") << column << "日付表示"
                                             << ""
                                             << "" << 3 << "〔日付表示〕"
                                             << "007/  3/   /   /,";
        QTest::newRow("currency first item") << column << "通貨表示"
                                             << ""
                                             << "" << -1 << "〔通貨表示〕"
                                             << "008/  0/   /   /,";
        QTest::newRow("alignment last item") << column << "文字の配置"
                                             << ""
                                             << "" << 12 << "〔文字列の位置〕"
                                             << "011/ 12/   /   /,";
        QTest::newRow("fixed report text display")
            << int(FormatContext::FixedOrExtended) << "文字列として表示"
            << ""
            << "" << -1 << "〔文字列表示〕"
            << "006/   /   /   /,";
        QTest::newRow("sum with function") << column << "合計（sum関数埋め込み）"
                                           << ""
                                           << "" << -1 << "〔合計（関数埋め込み）〕"
                                           << "105/   /   /   /,";
    }
    void chooserAppendsTheCodeOfTheChoice() {
        QFETCH(int, context);
        QFETCH(QString, kind);
        QFETCH(QString, param1);
        QFETCH(QString, param2);
        QFETCH(int, style);
        QFETCH(QString, text);
        QFETCH(QString, code);
        onNextModal([&](QWidget *modal) {
            clickItem(control<QListWidget>(modal, "ListBoxFormatKind"), kind);
            if (!param1.isEmpty()) {
                auto *edit = control<QLineEdit>(modal, "Param1");
                edit->selectAll();
                QTest::keyClicks(edit, param1);
            }
            if (!param2.isEmpty())
                QTest::keyClicks(control<QLineEdit>(modal, "Param2"), param2);
            if (style >= 0)
                control<QComboBox>(modal, "ComboBoxStyle")->setCurrentIndex(style);
            press(modal, Qt::Key_Return); // Enter is "決定"
        });
        Column c{QStringLiteral("〔中央出力〕"), QStringLiteral("002/   /   /   /,"), {}, {}};
        QVERIFY(TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext(context),
                                                     c.text, c.codes, c.keys, c.colours));
        QCOMPARE(c.text, QStringLiteral("〔中央出力〕") + text);
        QCOMPARE(c.codes, QStringLiteral("002/   /   /   /,") + code);
        QCOMPARE(c.keys, QString());
    }

    void chooserShowsTheInputsOfEachKind() {
        onNextModal([](QWidget *modal) {
            auto *list = control<QListWidget>(modal, "ListBoxFormatKind");
            auto *p1 = control<QLineEdit>(modal, "Param1");
            auto *p2 = control<QLineEdit>(modal, "Param2");
            auto *style = control<QComboBox>(modal, "ComboBoxStyle");
            auto *sample = control<QLineEdit>(modal, "EditRowColor");
            auto *rowColour = control<QPushButton>(modal, "ButtonRowColor");
            auto caption = [modal](QWidget *edit) {
                for (QLabel *l : modal->findChildren<QLabel *>())
                    if (l->buddy() == edit)
                        return l->isVisible() ? l->text() : QString();
                return QString();
            };
            clickItem(list, QStringLiteral("ゼロパディング"));
            QVERIFY(p1->isVisible() && p2->isVisible() && !style->isVisible());
            QCOMPARE(caption(p1), QStringLiteral("パディング文字"));
            QCOMPARE(caption(p2), QStringLiteral("パディング数"));
            QCOMPARE(p1->text(), QStringLiteral("0"));
            QCOMPARE(p1->maxLength(), 1);
            clickItem(list, QStringLiteral("フォントサイズ"));
            QVERIFY(p1->isVisible() && !p2->isVisible());
            QCOMPARE(caption(p1), QStringLiteral("フォントサイズ"));
            QCOMPARE(p1->text(), QStringLiteral("10"));
            clickItem(list, QStringLiteral("数値表示(マイナス表示)"));
            QVERIFY(!p1->isVisible() && !p2->isVisible() && style->isVisible());
            QCOMPARE(caption(style), QStringLiteral("数値"));
            QCOMPARE(style->count(), 7);
            QCOMPARE(style->currentText(), QStringLiteral("(1234)[マイナス赤表示]"));
            clickItem(list, QStringLiteral("パーセンテージ"));
            QCOMPARE(style->itemText(5), QStringLiteral("0.00000%"));
            QVERIFY(!sample->isVisible() && !rowColour->isVisible());
            clickItem(list, QStringLiteral("グループ平均"));
            QVERIFY(!p1->isVisible() && p2->isVisible() && !style->isVisible());
            QCOMPARE(caption(p2), QStringLiteral("キー項目名(物理項目名)"));
            QVERIFY(sample->isVisible() && rowColour->isVisible());
            // The average row's colour 40 on screen.
            QCOMPARE(sample->palette().color(QPalette::Base), QColor(0xF4C69F));
            clickItem(list, QStringLiteral("中央出力"));
            QVERIFY(!p1->isVisible() && !p2->isVisible() && !style->isVisible());
            click(modal, "Button_Cancel");
        });
        Column c;
        QVERIFY(!TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext::Column,
                                                      c.text, c.codes, c.keys, c.colours));
    }

    void groupTotalNeedsAKeyAndCarriesTheRowColour() {
        Column c{QStringLiteral("〔グループ合計〕"),
                 QStringLiteral("103/ 36/   /   /,"),
                 QStringLiteral("REGION******,"),
                 {36, 40}};
        bool keptOpen = false;
        QString hint;
        onNextModal([&](QWidget *modal) {
            clickItem(control<QListWidget>(modal, "ListBoxFormatKind"),
                      QStringLiteral("グループ合計"));
            // Without a key name nothing is added and the dialog stays.
            click(modal, "Button_Decide");
            keptOpen = modal->isVisible();
            hint = control<QLabel>(modal, "LabelHint")->text();
            QTest::keyClicks(control<QLineEdit>(modal, "Param2"), QStringLiteral("SHOP"));
            // "行色": the palette opens on the total row's colour; a double-click on red
            // chooses it.
            onNextModal(
                [](QWidget *palette) {
                    QCOMPARE(static_cast<TColorForm *>(palette)->currentIndex(), 36);
                    QTest::mouseDClick(static_cast<TColorForm *>(palette)->swatch(3),
                                       Qt::LeftButton);
                },
                modal);
            click(modal, "ButtonRowColor");
            QCOMPARE(control<QLineEdit>(modal, "EditRowColor")->palette().color(QPalette::Base),
                     QColor(Qt::red));
            click(modal, "Button_Decide");
        });
        QVERIFY(TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext::Column,
                                                     c.text, c.codes, c.keys, c.colours));
        QVERIFY(keptOpen);
        QCOMPARE(hint, QStringLiteral("キー項目名(物理項目名)を入力してください。"));
        QCOMPARE(c.text, QStringLiteral("〔グループ合計〕〔グループ合計〕"));
        QCOMPARE(c.codes, QStringLiteral("103/ 36/   /   /,103/  3/   /   /,"));
        QCOMPARE(c.keys, QStringLiteral("REGION******,SHOP******,"));
        QCOMPARE(c.colours.total, 3);
        QCOMPARE(c.colours.average, 40);
    }

    void incompleteZeroPaddingAddsNothing() {
        QString hint;
        onNextModal([&](QWidget *modal) {
            clickItem(control<QListWidget>(modal, "ListBoxFormatKind"),
                      QStringLiteral("ゼロパディング"));
            click(modal, "Button_Decide");
            hint = control<QLabel>(modal, "LabelHint")->text();
            QVERIFY(control<QLineEdit>(modal, "Param2")->hasFocus());
            QTest::keyClicks(control<QLineEdit>(modal, "Param2"), QStringLiteral("12a"));
            click(modal, "Button_Decide");
            QVERIFY(modal->isVisible());
            modal->close(); // the title bar
        });
        Column c{QStringLiteral("〔中央出力〕"), QStringLiteral("002/   /   /   /,"), {}, {}};
        QVERIFY(!TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext::Column,
                                                      c.text, c.codes, c.keys, c.colours));
        QCOMPARE(hint, QStringLiteral("パディング数を3桁までの数字で入力してください。"));
        QCOMPARE(c.text, QStringLiteral("〔中央出力〕"));
        QCOMPARE(c.codes, QStringLiteral("002/   /   /   /,"));
    }

    void cancelAfterAColourChoiceChangesNothing() {
        Column c;
        onNextModal([&](QWidget *modal) {
            clickItem(control<QListWidget>(modal, "ListBoxFormatKind"),
                      QStringLiteral("グループ平均"));
            QTest::keyClicks(control<QLineEdit>(modal, "Param2"), QStringLiteral("SHOP"));
            onNextModal(
                [](QWidget *palette) {
                    static_cast<TColorForm *>(palette)->swatch(5)->setFocus();
                    click(palette, "Button_OK");
                },
                modal);
            click(modal, "ButtonRowColor");
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(!TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext::Column,
                                                      c.text, c.codes, c.keys, c.colours));
        QCOMPARE(c.colours.average, 40);
        QVERIFY(c.text.isEmpty() && c.codes.isEmpty() && c.keys.isEmpty());
    }

    void theLastKindStaysChosenWhenTheListOffersIt() {
        auto chooseAndCancel = [this](FormatContext context, const QString &pick) {
            QString selected;
            onNextModal([&](QWidget *modal) {
                auto *list = control<QListWidget>(modal, "ListBoxFormatKind");
                selected = list->currentItem()->text();
                if (!pick.isEmpty())
                    clickItem(list, pick);
                click(modal, "Button_Cancel");
            });
            Column c;
            TExcelFormatForm::chooseColumnFormat(m_designer.get(), context, c.text, c.codes, c.keys,
                                                 c.colours);
            return selected;
        };
        QCOMPARE(chooseAndCancel(FormatContext::Column, QStringLiteral("折り返して表示")),
                 QStringLiteral("ゼロパディング"));
        QCOMPARE(chooseAndCancel(FormatContext::HeaderOrTotal, QString()),
                 QStringLiteral("折り返して表示"));
        QCOMPARE(chooseAndCancel(FormatContext::Column, QStringLiteral("グループ合計")),
                 QStringLiteral("折り返して表示"));
        // Not among the first 14: the list starts at its first kind.
        QCOMPARE(chooseAndCancel(FormatContext::HeaderOrTotal, QString()),
                 QStringLiteral("ゼロパディング"));
    }

    void listChooserAppendsToTheHeaderList() {
        QString text = QStringLiteral("〔中央出力〕"), codes = QStringLiteral("002/   /   /   /,");
        onNextModal([](QWidget *modal) {
            clickItem(control<QListWidget>(modal, "ListBoxFormatKind"),
                      QStringLiteral("オートフィット（セル幅）"));
            click(modal, "Button_Decide");
        });
        QVERIFY(TExcelFormatForm::chooseListFormat(m_designer.get(), text, codes));
        QCOMPARE(text, QStringLiteral("〔中央出力〕〔オートフィット（列幅）〕"));
        QCOMPARE(codes, QStringLiteral("002/   /   /   /,201/   /   /   /,"));
    }

    // ------------------------------------------------------------------------------------
    // Format list editor

    void editorDeletesTheRowUnderThePointer() {
        QString text = QStringLiteral("〔中央出力〕〔フォントサイズ〕〔文字列表示〕");
        QString codes = QStringLiteral("002/   /   /   /,005/ 12/   /   /,006/   /   /   /,");
        QString keys;
        QStringList shown;
        onNextModal([&](QWidget *modal) {
            auto *grid = control<QTableWidget>(modal, "AnalyzeFormatGrid");
            for (int r = 0; r < grid->rowCount(); ++r)
                shown << grid->item(r, 0)->text();
            const QPoint middle = grid->visualItemRect(grid->item(1, 0)).center();
            // The pop-up menu opens on the row under the pointer, which becomes the selection.
            QContextMenuEvent rightClick(QContextMenuEvent::Mouse, middle,
                                         grid->viewport()->mapToGlobal(middle));
            QApplication::sendEvent(grid->viewport(), &rightClick);
            auto *menu = control<QMenu>(modal, "PopupFormatEdit");
            QVERIFY(menu->isVisible());
            QCOMPARE(grid->currentRow(), 1);
            QAction *remove = menu->actions().first();
            QCOMPARE(remove->text(), QStringLiteral("フォーマット削除"));
            remove->trigger();
            menu->close();
            QCOMPARE(grid->rowCount(), 2);
            QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("〔文字列表示〕"));
            QTest::keyClick(modal, Qt::Key_Return);
        });
        QVERIFY(TFormatEditForm::editColumnFormats(m_designer.get(), text, codes, keys));
        QCOMPARE(shown, QStringList({"〔中央出力〕", "〔フォントサイズ〕", "〔文字列表示〕"}));
        QCOMPARE(text, QStringLiteral("〔中央出力〕〔文字列表示〕"));
        QCOMPARE(codes, QStringLiteral("002/   /   /   /,006/   /   /   /,"));
        QCOMPARE(codes.size(), 34);
    }

    void draggedRowsKeepTheirGroupKeys() {
        QString text = QStringLiteral("〔グループ合計〕〔中央出力〕〔グループ平均〕");
        QString codes = QStringLiteral("103/ 36/   /   /,002/   /   /   /,104/ 40/   /   /,");
        QString keys = QStringLiteral("REGION******,SHOP******,");
        onNextModal([&](QWidget *modal) {
            auto *grid = control<QTableWidget>(modal, "AnalyzeFormatGrid");
            QHeaderView *numbers = grid->verticalHeader();
            // Drag the last row's number cell above the first row.
            const QPoint from(numbers->width() / 2, numbers->sectionViewportPosition(2) + 8);
            const QPoint to(numbers->width() / 2, numbers->sectionViewportPosition(0) + 2);
            QTest::mousePress(numbers->viewport(), Qt::LeftButton, {}, from);
            for (int y = from.y(); y >= to.y(); y -= 4)
                QTest::mouseMove(numbers->viewport(), QPoint(from.x(), y));
            QTest::mouseRelease(numbers->viewport(), Qt::LeftButton, {}, to);
            QTRY_COMPARE(grid->item(0, 0)->text(), QStringLiteral("〔グループ平均〕"));
            click(modal, "Button_Decide");
        });
        QVERIFY(TFormatEditForm::editColumnFormats(m_designer.get(), text, codes, keys));
        QCOMPARE(text, QStringLiteral("〔グループ平均〕〔グループ合計〕〔中央出力〕"));
        QCOMPARE(codes, QStringLiteral("104/ 40/   /   /,103/ 36/   /   /,002/   /   /   /,"));
        QCOMPARE(keys, QStringLiteral("SHOP******,REGION******,"));
    }

    void headerListDropsTheTotalKindsAndCancelKeepsIt() {
        const QString text = QStringLiteral("〔合計〕〔中央出力〕〔平均（関数埋め込み）〕");
        const QString codes = QStringLiteral("101/   /   /   /,002/   /   /   /,106/   /   /   /,");
        QString t = text, c = codes;
        QStringList shown;
        auto showAnd = [&shown](const char *button) {
            onNextModal([&shown, button](QWidget *modal) {
                auto *grid = control<QTableWidget>(modal, "AnalyzeFormatGrid");
                shown.clear();
                for (int r = 0; r < grid->rowCount(); ++r)
                    shown << grid->item(r, 0)->text();
                if (button)
                    click(modal, button);
                else
                    QTest::keyClick(modal, Qt::Key_Escape);
            });
        };
        showAnd(nullptr);
        QVERIFY(!TFormatEditForm::editListFormats(m_designer.get(), t, c));
        QCOMPARE(shown, QStringList({"〔中央出力〕"}));
        QCOMPARE(t, text);
        QCOMPARE(c, codes);
        showAnd("Button_Decide");
        QVERIFY(TFormatEditForm::editListFormats(m_designer.get(), t, c));
        QCOMPARE(t, QStringLiteral("〔中央出力〕"));
        QCOMPARE(c, QStringLiteral("002/   /   /   /,"));
    }

    // ------------------------------------------------------------------------------------
    // Palette

    void paletteShowsFortySwatchesInOrderAndColour() {
        TColorForm form(m_designer.get());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QList<QWidget *> swatches;
        for (int index : kOrder) {
            QWidget *s = form.swatch(index);
            QVERIFY2(s, qPrintable(QString::number(index)));
            swatches << s;
        }
        for (int i = 0; i < 40; ++i) {
            const QPoint at = swatches[i]->geometry().topLeft();
            const QPoint first = swatches[i / 8 * 8]->geometry().topLeft();
            QCOMPARE(at.y(), first.y()); // 8 per row
            if (i % 8)
                QVERIFY(at.x() > swatches[i - 1]->geometry().x());
            else if (i)
                QVERIFY(at.y() > swatches[i - 8]->geometry().y());
            const QColor shown = pixelAt(&form, swatches[i]->geometry().center());
            const int index = kOrder[i];
            const QColor expected = index == 2 ? form.palette().color(QPalette::Window)
                                               : QColor::fromRgb(kColours.at(index));
            QVERIFY2(shown == expected, qPrintable(QStringLiteral("index %1: %2 instead of %3")
                                                       .arg(index)
                                                       .arg(shown.name(), expected.name())));
        }
        form.close();
    }

    void paletteStoresOnlyAChosenSwatch_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<int>("result");
        QTest::newRow("arrow keys then OK") << "keys+ok" << true << 45;
        QTest::newRow("arrow keys then Enter") << "keys+enter" << true << 45;
        QTest::newRow("double-click") << "dclick" << true << 33;
        QTest::newRow("arrow keys then Cancel") << "keys+cancel" << false << 15;
        QTest::newRow("Esc") << "esc" << false << 15;
        QTest::newRow("title bar") << "close" << false << 15;
    }
    void paletteStoresOnlyAChosenSwatch() {
        QFETCH(QString, how);
        QFETCH(bool, chosen);
        QFETCH(int, result);
        int focusedOnOpening = 0;
        QColor frame, plain;
        onNextModal([&](QWidget *modal) {
            auto *form = static_cast<TColorForm *>(modal);
            focusedOnOpening = form->currentIndex();
            QVERIFY(form->swatch(15)->hasFocus());
            if (how.startsWith(u"keys")) {
                // 15 ends the fourth row: Up gives 48, the end of the third row, whose
                // second swatch is 45.
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
                for (int i = 0; i < 6; ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
                QVERIFY(form->swatch(45)->hasFocus());
                frame = pixelAt(form->swatch(45), QPoint(1, 1));
                plain = pixelAt(form->swatch(15), QPoint(1, 1));
            }
            if (how == u"keys+ok")
                click(modal, "Button_OK");
            else if (how == u"keys+enter")
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            else if (how == u"keys+cancel")
                click(modal, "Button_Cancel");
            else if (how == u"dclick")
                QTest::mouseDClick(form->swatch(33), Qt::LeftButton);
            else if (how == u"esc")
                QTest::keyClick(modal, Qt::Key_Escape);
            else
                modal->close();
        });
        int index = 15;
        QCOMPARE(TColorForm::chooseColor(m_designer.get(), index), chosen);
        QCOMPARE(focusedOnOpening, 15);
        QCOMPARE(index, result);
        if (how.startsWith(u"keys")) {
            QCOMPARE(frame, m_designer->palette().color(QPalette::Highlight));
            QVERIFY(plain != frame);
        }
    }

    // ------------------------------------------------------------------------------------
    // Closing as cancelled

    void openDialogsCloseAsCancelled() {
        Column c{QStringLiteral("〔中央出力〕"), QStringLiteral("002/   /   /   /,"), {}, {}};
        bool paletteResult = true;
        onNextModal([&](QWidget *chooser) {
            clickItem(control<QListWidget>(chooser, "ListBoxFormatKind"),
                      QStringLiteral("グループ合計"));
            QTest::keyClicks(control<QLineEdit>(chooser, "Param2"), QStringLiteral("SHOP"));
            // With the palette open over the chooser, both close as cancelled.
            onNextModal([](QWidget *) { closeReportDialogs(); }, chooser);
            int index = 36;
            paletteResult = TColorForm::chooseColor(chooser, index);
        });
        QVERIFY(!TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext::Column,
                                                      c.text, c.codes, c.keys, c.colours));
        QVERIFY(!paletteResult);
        QCOMPARE(c.codes, QStringLiteral("002/   /   /   /,"));
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible() || w == m_designer.get(), qPrintable(w->objectName()));
    }

    void screenshots() {
        const QString dir = shotDir(m_tmp);
        QDir().mkpath(dir);
        auto shoot = [&dir](QWidget *modal, const char *file) {
            return saveShot(modal, dir, file);
        };
        bool saved[3] = {};
        Column c{QStringLiteral("〔グループ合計〕"),
                 QStringLiteral("103/ 36/   /   /,"),
                 QStringLiteral("REGION******,"),
                 {36, 40}};
        onNextModal([&](QWidget *modal) {
            clickItem(control<QListWidget>(modal, "ListBoxFormatKind"),
                      QStringLiteral("グループ合計"));
            QTest::keyClicks(control<QLineEdit>(modal, "Param2"), QStringLiteral("REGION"));
            saved[0] = shoot(modal, "excelformatform.png");
            click(modal, "Button_Cancel");
        });
        TExcelFormatForm::chooseColumnFormat(m_designer.get(), FormatContext::Column, c.text,
                                             c.codes, c.keys, c.colours);
        QString text = QStringLiteral("〔グループ合計〕〔中央出力〕〔フォントサイズ〕");
        QString codes = c.codes + QStringLiteral("002/   /   /   /,005/ 12/   /   /,");
        onNextModal([&](QWidget *modal) {
            control<QTableWidget>(modal, "AnalyzeFormatGrid")->selectRow(1);
            saved[1] = shoot(modal, "formateditform.png");
            click(modal, "Button_Cancel");
        });
        TFormatEditForm::editColumnFormats(m_designer.get(), text, codes, c.keys);
        onNextModal([&](QWidget *modal) {
            saved[2] = shoot(modal, "colorform.png");
            click(modal, "Button_Cancel");
        });
        int index = 36;
        TColorForm::chooseColor(m_designer.get(), index);
        for (bool s : saved)
            QVERIFY(s);
    }
};

QTEST_MAIN(FormatDialogsTest)
#include "formatdialogs_test.moc"
