// The report designer's construction, layout, and the showing and collecting of its values.
// The commands are in excelsettingformcommands.cpp.
#include "app/excelsettingform.h"

#include "app/datamodule.h"
#include "report/formatcode.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace kelvoran {

namespace {

constexpr int kBottomBar = 40;
constexpr int kButtonWidth = 100;
constexpr int kRowHeight = 24;
// How far the title, sheet name and creation-time controls move up while the data position
// is hidden.
constexpr int kMoveUp = 28;

// Edits bound to a value of the definition.
const std::vector<std::pair<const char *, const char *>> &editKeys() {
    static const std::vector<std::pair<const char *, const char *>> keys = {
        {"EditFastRow", "DATAFASTROW"},
        {"EditFastCol", "DATAFASTCOL"},
        {"EditTitle", "TITLE"},
        {"EditTitleFastRow", "TITLEROW"},
        {"EditTitleFastCol", "TITLECOL"},
        {"EditSheetName", "SHEETNAME"},
        {"EditDateFastRow", "MAKEDATEROW"},
        {"EditDateFastCol", "MAKEDATECOL"},
        {"EditTitleFormat", "FROWSETTING"},
        {"EditTitleFast", "FROWFASTCOL"},
        {"EditTitleEnd", "FROWENDCOL"},
        {"EditRowFormatColName", "RFCOLNAME"},
        {"EditRowFormat", "RFNAME"},
        {"EditHinaEndCell", "KOTEIHINACELL"},
        {"EditKurikaeshiFarst", "KCFC"},
        {"EditKurikaeshiEnd", "KCEC"},
        {"EditKCRowCnt", "KCPC"},
        {"EditHinaFileName", "PATTERNFILE"},
        {"EditFastRowPivotTable", "PTDATAFASTROW"},
        {"EditFastColPivotTable", "PTDATAFASTCOL"},
        {"EditTitlePivotTable", "PTTITLE"},
        {"EditTitleFastRowPivotTable", "PTTITLEROW"},
        {"EditTitleFastColPivotTable", "PTTITLECOL"},
        {"EditDateFastRowPivotTable", "PTMAKEDATEROW"},
        {"EditDateFastColPivotTable", "PTMAKEDATECOL"},
        {"EditSheetNamePivotTable", "PTSHEETNAME"},
        {"EditPivotTableName", "PTNAME"}};
    return keys;
}

const std::vector<std::pair<const char *, const char *>> &checkKeys() {
    static const std::vector<std::pair<const char *, const char *>> keys = {
        {"CheckBoxTitle", "TITLEFLG"},
        {"CheckBoxSheetName", "SHEETFLG"},
        {"CheckBoxDate", "MAKEDATEFLG"},
        {"CheckBoxKoumokuName", "KOUMOKUNAME"},
        {"CheckBoxItalic", "TITLEITALIC"},
        {"CheckBoxBold", "TITLEBOLD"},
        {"CheckBoxActiveWindow", "TITLEHOLD"},
        {"CheckBoxPivotTable", "PTOUT"},
        {"CheckBoxKoteiOut", "KOTEIFLG"},
        {"CheckBoxKakuchoIchiran", "KCFLG"},
        {"CheckBoxTitlePivotTable", "PTTITLEFLG"},
        {"CheckBoxDatePivotTable", "PTMAKEDATEFLG"},
        {"CheckBoxSheetNamePivotTable", "PTSHEETFLG"},
        {"CheckBoxPivotTableName", "PTNAMEFLG"},
        {"CheckBoxPivotRowSum", "PTOUTROWSUM"},
        {"CheckBoxPivotColSum", "PTOUTCOLSUM"},
        {"CheckBoxRepDataSave", "PTREPDATASAVE"}};
    return keys;
}

const std::vector<std::pair<const char *, const char *>> &comboKeys() {
    static const std::vector<std::pair<const char *, const char *>> keys = {
        {"ComboBoxAutoFormat", "AFORMATDATA"},   {"ComboBoxRowFormat", "RF"},
        {"ComboBoxKaiPageSQL", "KCBKEY"},        {"ComboBoxPageLayout", "PTPAGELAYOUT"},
        {"ComboBoxReportFormat", "PTREPLAYOUT"}, {"ComboBoxPivotLayout", "PTAFORMATPIVOT"}};
    return keys;
}

const char *const kPasswordEdits[] = {"EditReadHinaPassWord", "EditReadPassWord",
                                      "EditWritePassWord"};

// Drops the keys an edit does not accept.
class KeyFilterObject : public QObject {
public:
    KeyFilterObject(std::function<std::optional<KeyFilter>()> filter, QObject *parent)
        : QObject(parent), m_filter(std::move(filter)) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        auto *key = static_cast<QKeyEvent *>(event);
        const bool backspace = key->key() == Qt::Key_Backspace;
        // Only typed characters are filtered; Return, Tab, Escape and the arrows pass.
        if (!backspace && (key->text().isEmpty() || !key->text().at(0).isPrint()))
            return false;
        const std::optional<KeyFilter> filter = m_filter();
        if (!filter)
            return true;
        const QChar c = key->text().isEmpty() ? QChar() : key->text().at(0);
        return !keyAccepted(*filter, c, backspace, key->modifiers() & Qt::ControlModifier);
    }

private:
    std::function<std::optional<KeyFilter>()> m_filter;
};

// The column grid's in-place editor: column 3 takes digits unless a template report is on.
class ColumnDelegate : public QStyledItemDelegate {
public:
    ColumnDelegate(const ExcelSettingState &state, QObject *parent)
        : QStyledItemDelegate(parent), m_state(state) {}
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        const int column = index.column() + 1;
        editor->installEventFilter(new KeyFilterObject(
            [this, column] { return columnGridFilter(column, m_state.cellMode()); }, editor));
        return editor;
    }

private:
    const ExcelSettingState &m_state;
};

QColor screenColour(int rgb, const QColor &fallback) {
    return rgb < 0 ? fallback : QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TExcelSettingForm::TExcelSettingForm(TDataModule_Kelvoran &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm) {
    setObjectName(QStringLiteral("TExcelSettingForm"));
    setWindowTitle(QStringLiteral("EXCEL出力"));
    setWindowModality(Qt::ApplicationModal);

    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MainMenu_ExcelSetting"));
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl_ExcelSetting"));
    auto *layoutPage = new QWidget;
    layoutPage->setObjectName(QStringLiteral("DataLayOutSetting"));
    auto *pivotPage = new QWidget;
    pivotPage->setObjectName(QStringLiteral("PivotTableSetting"));
    m_pages->addTab(layoutPage, QStringLiteral("DataLayOutSetting"));
    m_pages->addTab(pivotPage, QStringLiteral("PivotTableSetting"));
    buildLayoutPage(layoutPage);
    buildPivotPage(pivotPage);
    buildGrids();
    buildMenus();

    m_outButton = new QPushButton(QStringLiteral("Excel出力"), this);
    m_outButton->setObjectName(QStringLiteral("ButtonExcelOut"));
    m_clearButton = new QPushButton(QStringLiteral("全削除"), this);
    m_clearButton->setObjectName(QStringLiteral("ButtonAllClear"));
    m_cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    m_cancelButton->setObjectName(QStringLiteral("ButtonCancelForm"));
    connect(m_outButton, &QPushButton::clicked, this, &TExcelSettingForm::excelOutput);
    connect(m_clearButton, &QPushButton::clicked, this, &TExcelSettingForm::allClear);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int page) {
        m_clearButton->setVisible(page == 0);
        // The active tab is highlighted by its caption colour.
        for (int i = 0; i < m_pages->count(); ++i)
            m_pages->tabBar()->setTabTextColor(i, i == page ? QColor(Qt::darkBlue) : QColor());
    });

    // Hidden fields: start and end time of the last output, a credential tamper text.
    for (const char *name : {"Edit3", "Edit4", "Edit5"}) {
        auto *hidden = new QLineEdit(this);
        hidden->setObjectName(QString::fromLatin1(name));
        hidden->hide();
    }
    setMinimumWidth(designerMinimumWidth(kButtonWidth));
    m_hooks = programDialogs();
    m_state.fillRows({});
    showState();
    applyLayoutMode(0);
}

TExcelSettingForm::~TExcelSettingForm() = default;

QLineEdit *TExcelSettingForm::addEdit(QWidget *page, const char *name, int x, int y, int w) {
    auto *e = new QLineEdit(page);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(x, y, w, 22);
    const KeyFilter filter = keyFilterOf(e->objectName());
    if (filter != KeyFilter::Any)
        e->installEventFilter(
            new KeyFilterObject([filter]() -> std::optional<KeyFilter> { return filter; }, e));
    m_edits[e->objectName()] = e;
    return e;
}

QCheckBox *TExcelSettingForm::addCheck(QWidget *page, const char *name, const QString &caption,
                                       int x, int y, int w) {
    auto *c = new QCheckBox(caption, page);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(x, y, w, 22);
    m_checks[c->objectName()] = c;
    const QString n = c->objectName();
    connect(c, &QCheckBox::clicked, this, [this, n] { checkBoxClicked(n); });
    return c;
}

QLabel *TExcelSettingForm::addLabel(QWidget *page, const QString &caption, int x, int y, int w,
                                    QWidget *buddy) {
    auto *l = new QLabel(caption, page);
    l->setGeometry(x, y, w, 22);
    if (buddy) {
        l->setObjectName(QStringLiteral("Label_") + buddy->objectName());
        m_labels.emplace_back(l, buddy);
    }
    return l;
}

QPushButton *TExcelSettingForm::addButton(QWidget *page, const char *name, const QString &caption,
                                          int x, int y, int w) {
    auto *b = new QPushButton(caption, page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, w, 24);
    m_buttons[b->objectName()] = b;
    return b;
}

QComboBox *TExcelSettingForm::addCombo(QWidget *page, const char *name, const QStringList &items,
                                       int x, int y, int w) {
    auto *c = new QComboBox(page);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    c->setGeometry(x, y, w, 22);
    m_combos[c->objectName()] = c;
    connect(c, &QComboBox::activated, this, [this] {
        collect();
        showControlViews();
    });
    return c;
}

void TExcelSettingForm::buildLayoutPage(QWidget *p) {
    int y = 6;
    addLabel(p, QStringLiteral("データ配置行"), 8, y, 76, addEdit(p, "EditFastRow", 86, y, 40));
    addLabel(p, QStringLiteral("データ配置列"), 136, y, 76, addEdit(p, "EditFastCol", 214, y, 40));

    // Title, sheet name and creation time: moved up while the data position is hidden.
    auto moving = [this](QWidget *w) { m_moving.emplace_back(w, w->y()); };
    y += kRowHeight + 4;
    moving(addCheck(p, "CheckBoxTitle", QStringLiteral("Title出力有無"), 8, y, 110));
    moving(addEdit(p, "EditTitle", 120, y, 250));
    moving(addLabel(p, QStringLiteral("Title配置行"), 378, y, 70,
                    addEdit(p, "EditTitleFastRow", 450, y, 40)));
    moving(m_edits[QStringLiteral("EditTitleFastRow")]);
    moving(addLabel(p, QStringLiteral("Title配置列"), 498, y, 70,
                    addEdit(p, "EditTitleFastCol", 570, y, 40)));
    moving(m_edits[QStringLiteral("EditTitleFastCol")]);
    y += kRowHeight;
    moving(addCheck(p, "CheckBoxSheetName", QStringLiteral("Sheet名有無"), 8, y, 110));
    moving(addEdit(p, "EditSheetName", 120, y, 250));
    m_edits[QStringLiteral("EditSheetName")]->setMaxLength(31);
    y += kRowHeight;
    moving(addCheck(p, "CheckBoxDate", QStringLiteral("作成時刻有無"), 8, y, 110));
    moving(addLabel(p, QStringLiteral("時刻配置行"), 120, y, 70,
                    addEdit(p, "EditDateFastRow", 192, y, 40)));
    moving(m_edits[QStringLiteral("EditDateFastRow")]);
    moving(addLabel(p, QStringLiteral("時刻配置列"), 240, y, 70,
                    addEdit(p, "EditDateFastCol", 312, y, 40)));
    moving(m_edits[QStringLiteral("EditDateFastCol")]);

    // The column-name row group.
    y += kRowHeight + 4;
    addCheck(p, "CheckBoxKoumokuName", QStringLiteral("項目名出力有無"), 8, y, 120);
    addButton(p, "Button_TitleRow_Color", QStringLiteral("項目名行色"), 130, y, 90);
    auto *sample = addEdit(p, "Edit_TitleRow_Color", 224, y, 70);
    sample->setReadOnly(true);
    sample->setText(QStringLiteral("項目名"));
    addButton(p, "Button_TitleFont_ColorClick", QStringLiteral("項目名文字色"), 298, y, 96);
    addCheck(p, "CheckBoxItalic", QStringLiteral("項目名行斜体表示"), 400, y, 130);
    addCheck(p, "CheckBoxBold", QStringLiteral("項目名行太字表示"), 532, y, 130);
    y += kRowHeight;
    addCheck(p, "CheckBoxActiveWindow", QStringLiteral("項目行の固定"), 8, y, 120);
    auto *titleFormat = addEdit(p, "EditTitleFormat", 304, y, 190);
    titleFormat->setReadOnly(true);
    addLabel(p, QStringLiteral("項目行（1列目）フォーマット"), 130, y, 172, titleFormat);
    addButton(p, "ButtonTitleFormat", QStringLiteral("設定"), 498, y, 44);
    addButton(p, "ButtonCancel", QStringLiteral("解除"), 544, y, 44);
    addLabel(p, QStringLiteral("開始列"), 594, y, 40, addEdit(p, "EditTitleFast", 634, y, 34));
    addLabel(p, QStringLiteral("～終了列"), 672, y, 52, addEdit(p, "EditTitleEnd", 724, y, 34));
    y += kRowHeight;
    addLabel(p, QStringLiteral("オートフォーマット"), 8, y, 110,
             addCombo(p, "ComboBoxAutoFormat", autoFormatItems(), 120, y, 130));
    addLabel(p, QStringLiteral("行集計"), 260, y, 44,
             addCombo(p, "ComboBoxRowFormat", rowFormatItems(), 304, y, 60));
    addLabel(p, QStringLiteral("集計列名"), 370, y, 56,
             addEdit(p, "EditRowFormatColName", 426, y, 90));
    auto *rowFormat = addEdit(p, "EditRowFormat", 598, y, 98);
    rowFormat->setReadOnly(true);
    addLabel(p, QStringLiteral("フォーマット"), 522, y, 74, rowFormat);
    addButton(p, "ButtonRowSyukeiSet", QStringLiteral("設定"), 700, y, 44);
    addButton(p, "ButtonRowSyukeiClear", QStringLiteral("解除"), 746, y, 44);
    y += kRowHeight;
    addCheck(p, "CheckBoxPivotTable", QStringLiteral("ピボットテーブル有無"), 8, y, 160);

    // Template reports, template file and passwords on the right.
    int ry = 6;
    const int rx = 800;
    addCheck(p, "CheckBoxKoteiOut", QStringLiteral("固定帳票出力"), rx, ry, 110);
    addLabel(p, QStringLiteral("雛形終了セル"), rx, ry + kRowHeight, 80,
             addEdit(p, "EditHinaEndCell", rx + 84, ry + kRowHeight, 60));
    ry += 2 * kRowHeight;
    addCheck(p, "CheckBoxKakuchoIchiran", QStringLiteral("拡張一覧帳票出力"), rx, ry, 140);
    const std::pair<const char *, const char *> repeat[] = {
        {"繰り返し開始セル", "EditKurikaeshiFarst"},
        {"繰り返し終了セル", "EditKurikaeshiEnd"},
        {"改ﾍﾟｰｼﾞ行数", "EditKCRowCnt"}};
    for (const auto &[caption, name] : repeat) {
        ry += kRowHeight;
        addLabel(p, QString::fromUtf8(caption), rx, ry, 100, addEdit(p, name, rx + 104, ry, 60));
    }
    ry += kRowHeight;
    addLabel(p, QStringLiteral("改ﾍﾟｰｼﾞ項目(番号)"), rx, ry, 100,
             addCombo(p, "ComboBoxKaiPageSQL", pageBreakKeyItems(0), rx + 104, ry, 60));

    y += kRowHeight + 4;
    auto *hina = addEdit(p, "EditHinaFileName", 84, y, 420);
    hina->setReadOnly(true);
    addLabel(p, QStringLiteral("雛形ファイル"), 8, y, 76, hina);
    addButton(p, "ButtonHina", QStringLiteral("設定"), 508, y, 44);
    addButton(p, "ButtonHinaClear", QStringLiteral("解除"), 554, y, 44);
    y += kRowHeight;
    const std::tuple<const char *, const char *, const char *, const char *> passwords[] = {
        {"雛形ファイル", "読み取りパスワード", "EditReadHinaPassWord", "Button6"},
        {"出力ファイル", "読み取りパスワード", "EditReadPassWord", "Button5"},
        {"出力ファイル", "書き込みパスワード", "EditWritePassWord", "Button7"}};
    int px = 8;
    for (const auto &[owner, caption, edit, button] : passwords) {
        addLabel(p, QString::fromUtf8(owner), px, y, 76);
        auto *e = addEdit(p, edit, px + 120, y + kRowHeight, 90);
        e->setReadOnly(true);
        addLabel(p, QString::fromUtf8(caption), px, y + kRowHeight, 116, e);
        addButton(p, button, QStringLiteral("設定"), px + 214, y + kRowHeight, 44);
        px += 270;
    }
    y += 2 * kRowHeight;
    auto *count = addEdit(p, "EdtDataCnt", 876, y, 40);
    count->setReadOnly(true);
    addLabel(p, QStringLiteral("項目数"), 830, y, 44, count);
    addButton(p, "Button_Initial", QStringLiteral("初期設定に戻す"), 820, y - kRowHeight, 110);

    connect(m_buttons[QStringLiteral("Button_Initial")], &QPushButton::clicked, this,
            &TExcelSettingForm::resetToInitial);
    connect(m_buttons[QStringLiteral("ButtonHina")], &QPushButton::clicked, this,
            &TExcelSettingForm::chooseTemplate);
    connect(m_buttons[QStringLiteral("ButtonHinaClear")], &QPushButton::clicked, this, [this] {
        collect();
        m_state.def.setValue(QStringLiteral("PATTERNFILE"), QString());
        showState();
    });
    connect(m_buttons[QStringLiteral("Button6")], &QPushButton::clicked, this, [this] {
        choosePassword("EditReadHinaPassWord", QStringLiteral("雛形読み込みパスワード設定"));
    });
    connect(m_buttons[QStringLiteral("Button5")], &QPushButton::clicked, this, [this] {
        choosePassword("EditReadPassWord", QStringLiteral("出力ファイル読み込みパスワード設定"));
    });
    connect(m_buttons[QStringLiteral("Button7")], &QPushButton::clicked, this, [this] {
        choosePassword("EditWritePassWord", QStringLiteral("出力ファイル書き込みパスワード設定"));
    });
    connect(m_buttons[QStringLiteral("ButtonTitleFormat")], &QPushButton::clicked, this,
            [this] { headerFormatCommand(false, false); });
    connect(m_buttons[QStringLiteral("ButtonCancel")], &QPushButton::clicked, this,
            [this] { clearHeaderFormat(false); });
    connect(m_buttons[QStringLiteral("ButtonRowSyukeiSet")], &QPushButton::clicked, this,
            [this] { headerFormatCommand(true, false); });
    connect(m_buttons[QStringLiteral("ButtonRowSyukeiClear")], &QPushButton::clicked, this,
            [this] { clearHeaderFormat(true); });
    connect(m_buttons[QStringLiteral("Button_TitleRow_Color")], &QPushButton::clicked, this,
            [this] { colourCommand(false); });
    connect(m_buttons[QStringLiteral("Button_TitleFont_ColorClick")], &QPushButton::clicked, this,
            [this] { colourCommand(true); });
    for (const char *name : {"EditTitleFormat", "EditRowFormat"}) {
        QLineEdit *e = m_edits[QString::fromLatin1(name)];
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        const bool rowTotal = e->objectName() == u"EditRowFormat";
        connect(e, &QWidget::customContextMenuRequested, this, [this, e, rowTotal](QPoint pos) {
            QMenu menu(this);
            menu.setObjectName(rowTotal ? QStringLiteral("PopupMenu_RowFormat")
                                        : QStringLiteral("PopupMenu_TitleFormat"));
            menu.addAction(QStringLiteral("フォーマット編集"), this,
                           [this, rowTotal] { headerFormatCommand(rowTotal, true); });
            menu.addAction(QStringLiteral("設定クリア"), this,
                           [this, rowTotal] { clearHeaderFormat(rowTotal); });
            menu.exec(e->mapToGlobal(pos));
        });
    }
}

void TExcelSettingForm::buildPivotPage(QWidget *p) {
    int y = 6;
    addLabel(p, QStringLiteral("データ配置行"), 8, y, 76,
             addEdit(p, "EditFastRowPivotTable", 86, y, 40));
    addLabel(p, QStringLiteral("データ配置列"), 136, y, 76,
             addEdit(p, "EditFastColPivotTable", 214, y, 40));
    y += kRowHeight + 4;
    addCheck(p, "CheckBoxTitlePivotTable", QStringLiteral("Title出力有無"), 8, y, 110);
    addEdit(p, "EditTitlePivotTable", 120, y, 250);
    addLabel(p, QStringLiteral("Title配置行"), 378, y, 70,
             addEdit(p, "EditTitleFastRowPivotTable", 450, y, 40));
    addLabel(p, QStringLiteral("Title配置列"), 498, y, 70,
             addEdit(p, "EditTitleFastColPivotTable", 570, y, 40));
    y += kRowHeight;
    addCheck(p, "CheckBoxDatePivotTable", QStringLiteral("作成時刻有無"), 8, y, 110);
    addLabel(p, QStringLiteral("時刻配置行"), 120, y, 70,
             addEdit(p, "EditDateFastRowPivotTable", 192, y, 40));
    addLabel(p, QStringLiteral("時刻配置列"), 240, y, 70,
             addEdit(p, "EditDateFastColPivotTable", 312, y, 40));
    y += kRowHeight;
    addCheck(p, "CheckBoxSheetNamePivotTable", QStringLiteral("別Sheetに出力"), 8, y, 110);
    addEdit(p, "EditSheetNamePivotTable", 120, y, 250)->setMaxLength(31);
    y += kRowHeight;
    addCheck(p, "CheckBoxPivotTableName", QStringLiteral("ピボットテーブル名"), 8, y, 130);
    addEdit(p, "EditPivotTableName", 140, y, 230)->setMaxLength(31);
    const int rx = 640;
    addCheck(p, "CheckBoxPivotRowSum", QStringLiteral("行の総計出力"), rx, 6, 150);
    addCheck(p, "CheckBoxPivotColSum", QStringLiteral("列の総計出力"), rx, 6 + kRowHeight, 150);
    addCheck(p, "CheckBoxRepDataSave", QStringLiteral("レポートと共にデータを保存"), rx,
             6 + 2 * kRowHeight, 200);
    const std::tuple<const char *, const char *, QStringList, int> combos[] = {
        {"ページレイアウト", "ComboBoxPageLayout", pageLayoutItems(), 120},
        {"レポートレイアウト", "ComboBoxReportFormat", reportFormatItems(), 160},
        {"オートフォーマット", "ComboBoxPivotLayout", autoFormatItems(), 160}};
    int ry = 6 + 3 * kRowHeight;
    for (const auto &[caption, name, items, width] : combos) {
        addLabel(p, QString::fromUtf8(caption), rx, ry, 110,
                 addCombo(p, name, items, rx + 114, ry, width));
        ry += kRowHeight;
    }
}

void TExcelSettingForm::buildGrids() {
    auto makeGrid = [this](QWidget *page, const char *name, const QStringList &headings) {
        auto *g = new QTableWidget(0, 4, page);
        g->setObjectName(QString::fromLatin1(name));
        g->setHorizontalHeaderLabels(headings);
        g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        g->verticalHeader()->setSectionsMovable(true);
        g->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        g->verticalHeader()->setDefaultSectionSize(20);
        g->setSelectionMode(QAbstractItemView::SingleSelection);
        g->installEventFilter(this);
        g->viewport()->installEventFilter(this);
        connect(g->verticalHeader(), &QHeaderView::sectionMoved, this,
                [this, g](int, int from, int to) { moveGridRow(g, from, to); });
        return g;
    };
    m_columns = makeGrid(m_pages->widget(0), "StringGrid_ExcelSet_Col", columnGridHeadings(false));
    m_columns->setItemDelegate(new ColumnDelegate(m_state, m_columns));
    m_columns->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed |
                               QAbstractItemView::EditKeyPressed);
    m_columns->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_columns, &QTableWidget::cellChanged, this, &TExcelSettingForm::columnCellChanged);
    connect(m_columns, &QTableWidget::cellDoubleClicked, this,
            &TExcelSettingForm::columnCellDoubleClicked);
    connect(m_columns, &QTableWidget::currentCellChanged, this,
            [this](int row) { m_state.currentRow = qMax(0, row); });
    connect(m_columns, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { popupGridMenu(m_columns->viewport()->mapToGlobal(pos)); });
    m_pivot = makeGrid(m_pages->widget(1), "StringGrid_PivotSet_Col", pivotGridHeadings());
    m_pivot->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_pivot, &QTableWidget::cellDoubleClicked, this,
            &TExcelSettingForm::pivotCellDoubleClicked);
}

void TExcelSettingForm::buildMenus() {
    auto add = [this](QMenu *menu, const char *name, const QString &caption,
                      const QKeySequence &key, const std::function<void()> &command) {
        auto *a = menu->addAction(key.isEmpty() ? caption : caption + u'\t' + key.toString());
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, command] {
            if (m_dm.runCommand)
                m_dm.runCommand(command);
            else
                command();
        });
        m_actions[a->objectName()] = a;
        if (!key.isEmpty()) {
            // A shortcut runs its menu's opening rule first, so the enabling gates it.
            auto *sc = new QShortcut(key, this);
            connect(sc, &QShortcut::activated, this, [this, a, menu] {
                if (menu == m_editMenu)
                    updateEditMenu();
                if (a->isEnabled())
                    a->trigger();
            });
        }
    };
    QMenu *file = m_menuBar->addMenu(QStringLiteral("ファイル"));
    file->setObjectName(QStringLiteral("MenuFile"));
    add(file, "MenuLoad", QStringLiteral("設定の読み込み"), QKeySequence(Qt::CTRL | Qt::Key_O),
        [this] { loadSettings(); });
    add(file, "MenuSaveExcel", QStringLiteral("設定の保存(Excel)"),
        QKeySequence(Qt::CTRL | Qt::Key_S), [this] { saveExcelSettings(); });
    add(file, "MenuSaveCsv", QStringLiteral("設定の保存(CSVエクスポート)"), {},
        [this] { saveCsvSettings(); });
    m_editMenu = m_menuBar->addMenu(QStringLiteral("編集"));
    m_editMenu->setObjectName(QStringLiteral("MenuEdit"));
    add(m_editMenu, "MenuAddRow", QStringLiteral("行追加"), QKeySequence(Qt::Key_F7),
        [this] { addRow(); });
    add(m_editMenu, "MenuDeleteRow", QStringLiteral("行削除"), QKeySequence(Qt::Key_F8),
        [this] { deleteRow(); });
    add(m_editMenu, "MenuExcelOut", QStringLiteral("Excel出力"), {}, [this] { excelOutput(); });
    add(m_editMenu, "MenuFormatEdit", QStringLiteral("フォーマット編集"), {},
        [this] { formatCommand(true); });
    add(m_editMenu, "MenuSqlFrom", QStringLiteral("SQL条件編集（From句以下）"), {}, [this] {
        if (m_hooks.editSqlCondition)
            m_hooks.editSqlCondition(true);
    });
    add(m_editMenu, "MenuSqlWhere", QStringLiteral("SQL条件編集(Where句以下)"), {}, [this] {
        if (m_hooks.editSqlCondition)
            m_hooks.editSqlCondition(false);
    });
    connect(m_editMenu, &QMenu::aboutToShow, this, &TExcelSettingForm::updateEditMenu);

    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("PopupMenu_Grid"));
    m_gridMenu->addAction(QStringLiteral("行追加"), this, &TExcelSettingForm::addRow);
    m_gridMenu->addAction(QStringLiteral("行削除"), this, &TExcelSettingForm::deleteRow);
    m_gridMenu->addAction(QStringLiteral("フォーマット編集"), this,
                          [this] { formatCommand(true); });
}

QAction *TExcelSettingForm::action(const QString &name) const {
    auto it = m_actions.find(name);
    return it == m_actions.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------------------------------------
// Values between controls and state

void TExcelSettingForm::collect() {
    ReportDefinition &def = m_state.def;
    for (const auto &[name, key] : editKeys())
        def.setValue(QString::fromLatin1(key), m_edits[QString::fromLatin1(name)]->text());
    for (const auto &[name, key] : checkKeys())
        def.setFlag(QString::fromLatin1(key), m_checks[QString::fromLatin1(name)]->isChecked());
    for (const auto &[name, key] : comboKeys())
        def.setValue(QString::fromLatin1(key),
                     QString::number(qMax(0, m_combos[QString::fromLatin1(name)]->currentIndex())));
}

void TExcelSettingForm::showState() {
    const ReportDefinition &def = m_state.def;
    for (const auto &[name, key] : editKeys())
        m_edits[QString::fromLatin1(name)]->setText(def.value(QString::fromLatin1(key)));
    for (const auto &[name, key] : checkKeys())
        m_checks[QString::fromLatin1(name)]->setChecked(def.flag(QString::fromLatin1(key)));
    for (const auto &[name, key] : comboKeys()) {
        if (QString::fromLatin1(name) == u"ComboBoxKaiPageSQL")
            continue;
        QComboBox *combo = m_combos[QString::fromLatin1(name)];
        const int index = def.value(QString::fromLatin1(key)).toInt();
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : 0);
    }
    const QString passwords[] = {def.templatePassword, def.outputReadPassword,
                                 def.outputWritePassword};
    for (int i = 0; i < 3; ++i)
        m_edits[QString::fromLatin1(kPasswordEdits[i])]->setText(
            QString(passwords[i].size(), u'*'));
    showColourSample();
    showGrids();
    showControlViews();
}

void TExcelSettingForm::showGrids() {
    const ReportDefinition &def = m_state.def;
    const QSignalBlocker block(m_columns);
    m_columns->setRowCount(int(def.columns.size()));
    QStringList numbers;
    for (int r = 0; r < int(def.columns.size()); ++r) {
        const ColumnSetting &c = def.columns[size_t(r)];
        const QString texts[] = {c.PhysicalName, c.Alias, c.WidthOrCell, c.FormatText};
        for (int col = 0; col < 4; ++col) {
            auto *item = new QTableWidgetItem(texts[col]);
            if (col == 3)
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            m_columns->setItem(r, col, item);
        }
        numbers << gridRowNumber(r);
    }
    m_columns->setVerticalHeaderLabels(numbers);
    const int current = qBound(0, m_state.currentRow, m_columns->rowCount() - 1);
    m_columns->setCurrentCell(current, qMax(0, m_columns->currentColumn()));
    m_state.currentRow = current;

    const QSignalBlocker blockPivot(m_pivot);
    m_pivot->setRowCount(int(def.pivotFields.size()));
    numbers.clear();
    for (int r = 0; r < int(def.pivotFields.size()); ++r) {
        const PivotFieldSetting &p = def.pivotFields[size_t(r)];
        const QString texts[] = {p.PhysicalName, p.Alias, p.FieldKindText, p.AggregationText};
        for (int col = 0; col < 4; ++col)
            m_pivot->setItem(r, col, new QTableWidgetItem(texts[col]));
        numbers << gridRowNumber(r);
    }
    m_pivot->setVerticalHeaderLabels(numbers);
    m_columns->setColumnWidth(3, columnFormatWidth(m_columns->rowCount()));
    m_pivot->setColumnWidth(3, pivotKindWidth(m_pivot->rowCount()));

    const bool filled = !def.columns.front().PhysicalName.isEmpty();
    findChild<QLineEdit *>(QStringLiteral("Edit5"))->setText(def.tamperText);
    m_edits[QStringLiteral("EdtDataCnt")]->setText(filled ? QString::number(def.columns.size())
                                                          : QString());
    refillPageBreakKeys(def.value(QStringLiteral("KCBKEY")));
    recentreHeadings();
}

void TExcelSettingForm::refillPageBreakKeys(const QString &keyIndex) {
    QComboBox *combo = m_combos[QStringLiteral("ComboBoxKaiPageSQL")];
    const QStringList items = pageBreakKeyItems(
        m_state.def.columns.front().PhysicalName.isEmpty() ? 0 : int(m_state.def.columns.size()));
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(items);
    const int index = keyIndex.toInt();
    combo->setCurrentIndex(index > 0 && index < items.size() ? index : 0);
    m_state.def.setValue(QStringLiteral("KCBKEY"), QString::number(combo->currentIndex()));
}

void TExcelSettingForm::showControlViews() {
    for (auto &[name, widget] : m_edits) {
        const ControlView v = m_state.view(name);
        widget->setVisible(v.visible);
        widget->setEnabled(v.enabled);
        // Enabled edits are white, disabled ones take the menu colour.
        if (!widget->isReadOnly() || name == u"EditReadHinaPassWord")
            widget->setStyleSheet(v.enabled
                                      ? QStringLiteral("QLineEdit{background:white}")
                                      : QStringLiteral("QLineEdit{background:palette(button)}"));
    }
    auto apply = [this](auto &controls) {
        for (auto &[name, widget] : controls) {
            const ControlView v = m_state.view(name);
            widget->setVisible(v.visible);
            widget->setEnabled(v.enabled);
        }
    };
    apply(m_checks);
    apply(m_combos);
    apply(m_buttons);
    for (auto &[label, buddy] : m_labels)
        label->setVisible(m_state.view(buddy->objectName()).visible);
    m_pages->setTabVisible(1, m_state.pivotPageShown());
    placeMovingControls();
    showColourSample();
}

void TExcelSettingForm::showColourSample() {
    QLineEdit *sample = m_edits[QStringLiteral("Edit_TitleRow_Color")];
    const QColor fill = screenColour(
        paletteColour(m_state.def.value(QStringLiteral("TITLEBACKCOLOR")).toInt()), Qt::white);
    const QColor text = screenColour(
        paletteColour(m_state.def.value(QStringLiteral("TITLEFONTCOLOR")).toInt()), Qt::black);
    sample->setStyleSheet(
        QStringLiteral("QLineEdit{background:%1;color:%2}").arg(fill.name(), text.name()));
}

void TExcelSettingForm::recentreHeadings() {
    const QStringList columns = columnGridHeadings(m_state.cellMode());
    const QStringList pivots = pivotGridHeadings();
    for (int c = 0; c < 4; ++c) {
        m_columns->setHorizontalHeaderItem(
            c, new QTableWidgetItem(centredHeading(columns[c], m_columns->columnWidth(c))));
        m_pivot->setHorizontalHeaderItem(
            c, new QTableWidgetItem(centredHeading(pivots[c], m_pivot->columnWidth(c))));
    }
}

void TExcelSettingForm::placeMovingControls() {
    const int shift = m_state.view(QStringLiteral("EditFastRow")).visible ? 0 : kMoveUp;
    for (auto &[widget, top] : m_moving)
        widget->move(widget->x(), top - shift);
}

// ---------------------------------------------------------------------------------------------
// Layout

void TExcelSettingForm::applyLayoutMode(int xgaSvgaMode) {
    m_layoutMode = xgaSvgaMode;
    const DesignerLayout l = designerLayout(xgaSvgaMode);
    resize(l.width, l.height);
    for (int c = 0; c < 4; ++c) {
        m_columns->setColumnWidth(c, l.columnWidths[size_t(c)]);
        m_pivot->setColumnWidth(c, l.pivotWidths[size_t(c)]);
    }
    recentreHeadings();
}

void TExcelSettingForm::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    const int menuHeight = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, width(), menuHeight);
    m_pages->setGeometry(0, menuHeight, width(), height() - menuHeight - kBottomBar);
    const int pageHeight = m_pages->height() - m_pages->tabBar()->height() - 6;
    const int gridTop = 330;
    m_columns->setGeometry(4, gridTop, width() - 12, qMax(60, pageHeight - gridTop - 4));
    m_pivot->setGeometry(4, 160, width() - 12, qMax(60, pageHeight - 164));
    placeBottomButtons();
}

void TExcelSettingForm::placeBottomButtons() {
    const int top = height() - kBottomBar + 8;
    const int quarter = width() / 4;
    m_outButton->setGeometry(quarter / 2 - kButtonWidth / 2, top, kButtonWidth, 26);
    m_clearButton->setGeometry(width() / 2, top, kButtonWidth, 26);
    m_cancelButton->setGeometry(3 * quarter, top, kButtonWidth, 26);
}

void TExcelSettingForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    recentreHeadings();
    showGrids();
    m_pages->setCurrentIndex(0);
    m_clearButton->setVisible(true);
    m_pages->setTabVisible(1, m_state.pivotPageShown());
}

} // namespace kelvoran
