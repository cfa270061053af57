#include "app/errsqlform.h"

#include "ui/scripterrorlist.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>

namespace kelvoran {

namespace {

constexpr int kButtonPanelHeight = 46;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kResizeStripHeight = 6;
constexpr int kColumnWidths[kScriptErrorColumns] = {64, 257, 339};

// A cell of the heading row or the number column: shown grey, never selected or edited.
QTableWidgetItem *fixedItem(const QString &text, const QPalette &palette) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(palette.button());
    return item;
}

} // namespace

TErrSQLForm::TErrSQLForm(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TErrSQLForm"));
    setWindowTitle(QStringLiteral("ErrSQLForm"));
    setModal(true);
    m_grid = new QTableWidget(2, kScriptErrorColumns, this);
    m_grid->setObjectName(QStringLiteral("StringGrid_Err"));
    // The headings are the grid's first row; the header above it is only a thin strip whose
    // borders the user drags to resize the columns.
    m_grid->setHorizontalHeaderLabels(QStringList(kScriptErrorColumns, QString()));
    m_grid->horizontalHeader()->setFixedHeight(kResizeStripHeight);
    m_grid->verticalHeader()->hide();
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (int c = 0; c < kScriptErrorColumns; ++c)
        m_grid->setColumnWidth(c, kColumnWidths[c]);
    m_grid->viewport()->installEventFilter(this);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { padHeadings(); });
    connect(m_grid, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        if (row > 0)
            openRow(row);
    });
    m_bottom = new QWidget(this);
    m_bottom->setObjectName(QStringLiteral("Panel_Button"));
    m_close = new QPushButton(QStringLiteral("閉じる"), m_bottom);
    m_close->setObjectName(QStringLiteral("Button_Close"));
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);
    // The button stays whole: the window is never narrower than the button and a margin.
    setMinimumWidth(kButtonWidth + 100);
    resize(700, 400);
    setErrors({});
}

void TErrSQLForm::setErrors(const std::vector<ScriptErrorRow> &errors) {
    const std::vector<QStringList> rows = scriptErrorGridRows(errors);
    m_grid->clearContents();
    m_grid->setRowCount(int(rows.size()) + 1);
    const QPalette p = palette();
    for (int c = 0; c < kScriptErrorColumns; ++c)
        m_grid->setItem(0, c, fixedItem(scriptErrorHeading(c), p));
    for (int r = 0; r < int(rows.size()); ++r) {
        m_grid->setItem(r + 1, 0, fixedItem(rows[size_t(r)][0], p));
        for (int c = 1; c < kScriptErrorColumns; ++c)
            m_grid->setItem(r + 1, c, new QTableWidgetItem(rows[size_t(r)][c]));
    }
    padHeadings();
    if (m_grid->rowCount() > 1)
        m_grid->setCurrentCell(1, 1);
}

void TErrSQLForm::showErrors(const std::vector<ScriptErrorRow> &errors) {
    setErrors(errors);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void TErrSQLForm::openRow(int row) {
    emit rowOpening(cellText(row, 1), cellText(row, 2));
}

QString TErrSQLForm::cellText(int row, int column) const {
    const QTableWidgetItem *item = m_grid->item(row, column);
    return item ? item->text() : QString();
}

void TErrSQLForm::padHeadings() {
    for (int c = 1; c < kScriptErrorColumns; ++c) {
        if (QTableWidgetItem *item = m_grid->item(0, c))
            item->setText(scriptErrorPaddedHeading(item->text(), m_grid->columnWidth(c)));
    }
}

void TErrSQLForm::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    padHeadings();
}

bool TErrSQLForm::eventFilter(QObject *watched, QEvent *event) {
    // A column resize ends with a mouse release in the grid.
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonRelease)
        padHeadings();
    return QDialog::eventFilter(watched, event);
}

void TErrSQLForm::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    const int panelTop = qMax(0, height() - kButtonPanelHeight);
    m_grid->setGeometry(0, 0, width(), panelTop);
    m_bottom->setGeometry(0, panelTop, width(), height() - panelTop);
    m_close->setGeometry(m_bottom->width() / 2 - kButtonWidth / 2,
                         (kButtonPanelHeight - kButtonHeight) / 2, kButtonWidth, kButtonHeight);
}

} // namespace kelvoran
