#include "app/errsourceform.h"

#include "app/datamodule.h"
#include "app/errorunit.h"
#include "editor/texteditor.h"
#include "ui/errsourceview.h"

#include <QAction>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>

#include <functional>

namespace kelvoran {

namespace {

constexpr int kHeaderHeight = 57;
constexpr int kGridPanelHeight = 173; // shows ErrorStepper::FitRows rows of 20 pixels
constexpr int kBottomHeight = 52;
constexpr int kRowHeight = 20;
constexpr int kRulerHeight = 11;

QLabel *boldLabel(const QString &text, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

} // namespace

TErrSourceForm::TErrSourceForm(TDataModule_Kelvoran &dm, QWidget *parent)
    : QMainWindow(parent, Qt::Window), m_dm(dm) {
    setObjectName(QStringLiteral("TErrSourceForm"));
    setWindowTitle(QStringLiteral("ErrSourceForm"));
    auto *body = new QWidget(this);
    setCentralWidget(body);

    m_header = new QWidget(body);
    m_header->setObjectName(QStringLiteral("Panel_Header"));
    boldLabel(QStringLiteral("Object Name："), m_header)->setGeometry(8, 16, 110, 20);
    m_objectName = new QLineEdit(m_header);
    m_objectName->setObjectName(QStringLiteral("Edit_Object_Name"));
    m_objectName->setReadOnly(true);
    m_objectName->setGeometry(120, 14, 300, 24);
    boldLabel(QStringLiteral("Err Point："), m_header)->setGeometry(448, 16, 90, 20);
    m_errorCount = new QLineEdit(QStringLiteral("0"), m_header);
    m_errorCount->setObjectName(QStringLiteral("Edit_Err_Point"));
    m_errorCount->setReadOnly(true);
    m_errorCount->setGeometry(540, 14, 80, 24);

    m_editor = new TextEditor(body);
    m_editor->setObjectName(QStringLiteral("Memo_ErrSourceData"));
    QFont font = TextEditor::editorFont();
    font.setPixelSize(19);
    m_editor->setFont(font);
    m_editor->setTabWidth(4);
    m_editor->setWordWrap(true);
    m_editor->setShowLineNumbers(true);
    m_editor->setTopMargin(kRulerHeight);
    m_editor->setReadOnly(true);
    // Read-only, but the caret stays visible and movable so it can show an error's position.
    m_editor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    connect(m_editor, &TextEditor::paintTopMargin, this, &TErrSourceForm::paintRuler);
    connect(m_editor, &QPlainTextEdit::cursorPositionChanged, this, &TErrSourceForm::updateRuler);
    connect(m_editor->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &TErrSourceForm::updateRuler);

    m_gridPanel = new QWidget(body);
    m_gridPanel->setObjectName(QStringLiteral("Panel_Grid"));
    m_grid = new QTableWidget(m_gridPanel);
    m_grid->setObjectName(QStringLiteral("StringGrid_ErrPosition"));
    m_grid->setColumnCount(4);
    m_grid->setHorizontalHeaderLabels(errorGridHeadings());
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setFixedHeight(kRowHeight);
    m_grid->horizontalHeader()->setSectionsClickable(false);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_grid->setColumnWidth(0, 40);
    m_grid->setColumnWidth(1, 57);
    m_grid->setColumnWidth(2, 57);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    connect(m_grid, &QTableWidget::cellClicked, this, [this](int row, int) { goToError(row); });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { goToError(row); });

    m_bottom = new QWidget(body);
    m_bottom->setObjectName(QStringLiteral("Panel_Bottom"));
    m_close = new QPushButton(QStringLiteral("閉じる"), m_bottom);
    m_close->setObjectName(QStringLiteral("Button_Close"));
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    buildMenu();
    showData(ErrorSourceData{});
    resize(965, 711);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TErrSourceForm::buildMenu() {
    menuBar()->setObjectName(QStringLiteral("MainMenu_ErrSource"));
    QMenu *edit = menuBar()->addMenu(QStringLiteral("編集"));
    edit->setObjectName(QStringLiteral("Menu_Edit"));
    auto add = [this, edit](const char *name, const QString &caption, const QKeySequence &key,
                            const std::function<void()> &command) {
        QAction *a = edit->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        // Also on the window itself, so the keys work while the menu bar is not involved.
        addAction(a);
        if (command)
            connect(a, &QAction::triggered, this, command);
    };
    add("ErrSearchDown", QStringLiteral("エラー検索(下方）"), QKeySequence(Qt::Key_F3),
        [this] { nextError(); });
    add("ErrSearchUp", QStringLiteral("エラー検索（上方）"), QKeySequence(Qt::Key_F4),
        [this] { previousError(); });
    add("SelectAll", QStringLiteral("すべて選択"), QKeySequence(), nullptr);
}

void TErrSourceForm::showErrorSource(QTreeWidgetItem *node) {
    if (const std::optional<ErrorUnit> unit = errorUnitOf(node)) {
        const QSqlDatabase db = m_dm.session.connection(unit->alias).valueOrThrow();
        showData(loadErrorSource(db, unit->name, unit->folder).valueOrThrow());
    }
    show();
    raise();
    activateWindow();
}

void TErrSourceForm::showData(const ErrorSourceData &source) {
    m_editor->clear();
    const std::vector<QStringList> rows = errorGridRows(source);
    m_grid->clearContents();
    m_grid->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r) {
        for (int c = 0; c < 4; ++c) {
            auto *item = new QTableWidgetItem(rows[size_t(r)][c]);
            if (c == 0)
                item->setBackground(palette().button());
            m_grid->setItem(r, c, item);
        }
    }
    m_grid->clearSelection();
    m_grid->verticalScrollBar()->setValue(0);
    m_objectName->setText(source.objectName);
    m_errorCount->setText(QString::number(source.errorCount()));
    m_editor->setLines(source.sourceLines);
    m_editor->moveCursor(QTextCursor::Start);
    m_stepper = ErrorStepper(source.errors);
    updateRuler(); // the gutter may have grown with the line count
}

void TErrSourceForm::resetErrorCount() {
    m_errorCount->setText(QStringLiteral("0"));
}

int TErrSourceForm::gridTopRow() const {
    // Scrolled by whole rows; at the end the last row is aligned to the bottom edge instead,
    // and the top row is then the first one shown whole.
    return m_grid->verticalScrollBar()->value() + 1;
}

void TErrSourceForm::nextError() {
    m_stepper.setTopRow(gridTopRow());
    m_stepper.next();
    selectCurrentError();
}

void TErrSourceForm::previousError() {
    m_stepper.setTopRow(gridTopRow());
    if (m_stepper.previous())
        selectCurrentError();
    else
        moveCaretToCurrentError();
}

void TErrSourceForm::goToError(int gridRow) {
    m_stepper.choose(gridRow + 1);
    moveCaretToCurrentError();
    m_editor->setFocus();
}

void TErrSourceForm::selectCurrentError() {
    if (m_stepper.current() < 1)
        return;
    m_grid->selectRow(m_stepper.current() - 1);
    m_grid->verticalScrollBar()->setValue(m_stepper.topRow() - 1);
    moveCaretToCurrentError();
}

void TErrSourceForm::moveCaretToCurrentError() {
    if (const std::optional<CaretTarget> target = m_stepper.caretTarget()) {
        m_editor->setCaret(target->line, target->column);
        m_editor->ensureCursorVisible();
    }
}

void TErrSourceForm::updateRuler() {
    const QRect cr = m_editor->contentsRect();
    m_editor->update(QRect(cr.left(), cr.top(), cr.width(), m_editor->topMargin()));
}

void TErrSourceForm::paintRuler(QPainter *painter, const QRect &rect) {
    // The margin starts at the editor's left edge; the text after the gutter and the margin.
    const int gutter = m_editor->viewport()->x() - m_editor->contentsRect().left();
    const int textLeft = gutter + qRound(m_editor->document()->documentMargin());
    const qreal charWidth = QFontMetricsF(m_editor->font()).horizontalAdvance(u' ');
    const RulerMarks marks =
        rulerMarks(charWidth, textLeft, m_editor->horizontalScrollBar()->value(), rect.width());
    painter->save();
    painter->setPen(QColor(128, 128, 128));
    QFont font(QStringLiteral("Terminal"));
    font.setPointSize(6);
    painter->setFont(font);
    for (const RulerTick &tick : marks.ticks) {
        painter->drawLine(tick.x, RulerBaseY, tick.x, tick.top);
        if (tick.numbered())
            painter->drawText(QRect(tick.x + 1, 1, 40, RulerBaseY), Qt::AlignLeft | Qt::AlignTop,
                              QString::number(tick.column));
    }
    if (marks.baseLineRight > marks.baseLineLeft)
        painter->drawLine(marks.baseLineLeft, RulerBaseY, marks.baseLineRight, RulerBaseY);
    // The caret marker, drawn exclusive-or so that it shows on the ruler's grey and the paper.
    const int caretX = m_editor->cursorRect().left() + gutter;
    const QRgb pen = (m_editor->backgroundColor().rgb() ^ 0x808080) & 0xFFFFFF;
    painter->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter->fillRect(caretMarkerRect(caretX), QColor::fromRgb(pen));
    painter->restore();
}

void TErrSourceForm::layoutControls() {
    const QWidget *body = centralWidget();
    const int w = body->width();
    const int h = body->height();
    m_header->setGeometry(0, 0, w, kHeaderHeight);
    const int editorHeight = std::max(0, h - kHeaderHeight - kGridPanelHeight - kBottomHeight);
    m_editor->setGeometry(0, kHeaderHeight, w, editorHeight);
    m_gridPanel->setGeometry(0, kHeaderHeight + editorHeight, w, kGridPanelHeight);
    m_grid->setGeometry(0, 0, w, kGridPanelHeight);
    m_grid->setColumnWidth(3, width() - 193);
    m_bottom->setGeometry(0, kHeaderHeight + editorHeight + kGridPanelHeight, w, kBottomHeight);
    m_close->setGeometry(width() / 2 - 60, (kBottomHeight - 33) / 2, 120, 33);
}

void TErrSourceForm::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    layoutControls();
}

void TErrSourceForm::showEvent(QShowEvent *event) {
    const AppSettings &s = m_dm.settings;
    m_editor->setColors(colorFromBgr(s.errSourceFormBackColor, true),
                        colorFromBgr(s.errSourceFormFontColor, false));
    QMainWindow::showEvent(event);
    layoutControls();
}

} // namespace kelvoran
