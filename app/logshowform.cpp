#include "app/logshowform.h"

#include "app/datamodule.h"
#include "app/dialoginteraction.h"
#include "app/layoutplacement.h"
#include "schedule/schedulefile.h"
#include "ui/analyzecol.h"

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace kelvoran {

namespace {

constexpr int kBottomHeight = 92;
constexpr int kOkWidth = 75;
constexpr int kOkHeight = 25;
constexpr int kResizeStripHeight = 6;
// Marks the cells of a row drawn red.
constexpr int kRedRowRole = Qt::UserRole + 1;

// Failed and unprocessed rows: filled red, their text drawn 2 pixels in from the top-left
// corner of the cell.
class RedRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        if (!index.data(kRedRowRole).toBool()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        painter->fillRect(option.rect, QColor(255, 0, 0));
        painter->setPen(Qt::black);
        painter->setFont(option.font);
        const QRect text = option.rect.adjusted(2, 2, 0, 0);
        painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

// A cell of the heading row: shown grey, never selected or edited.
QTableWidgetItem *headingItem(const QString &text, const QPalette &palette) {
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    item->setBackground(palette.button());
    return item;
}

QTableWidget *makeGrid(QWidget *parent, const char *name, int columns) {
    auto *grid = new QTableWidget(1, columns, parent);
    grid->setObjectName(QString::fromLatin1(name));
    // The headings are the grid's first row; the header above it is a thin strip whose borders
    // the user drags to resize the columns.
    grid->setHorizontalHeaderLabels(QStringList(columns, QString()));
    grid->horizontalHeader()->setFixedHeight(kResizeStripHeight);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->verticalHeader()->hide();
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One line per row, cut at the cell's edge.
    grid->setWordWrap(false);
    grid->setTextElideMode(Qt::ElideNone);
    grid->setItemDelegate(new RedRowDelegate(grid));
    return grid;
}

} // namespace

TLogShowForm::TLogShowForm(TDataModule_Kelvoran &dm, QWidget *parent)
    : QWidget(parent, Qt::Window), m_dm(dm) {
    setObjectName(QStringLiteral("TLogShowForm"));
    setWindowTitle(logShowCaption(m_mode));
    m_placement = new LayoutPlacement(*this, dm.settings);

    m_menuBar = new QMenuBar(this);
    QMenu *file = m_menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    m_open = file->addAction(logShowOpenCaption(m_mode));
    m_open->setObjectName(QStringLiteral("MenuOpen"));
    m_open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_open, &QAction::triggered, this, [this] { m_dm.runCommand([this] { openFile(); }); });

    m_logGrid = makeGrid(this, "StringGridLog", 8);
    const std::array<int, 8> widths = logGridWidths();
    for (int c = 0; c < 8; ++c)
        m_logGrid->setColumnWidth(c, widths[size_t(c)]);
    m_scheduleGrid = makeGrid(this, "StringGridScheduleLogShowForm", 3);
    for (QTableWidget *grid : {m_logGrid, m_scheduleGrid}) {
        connect(grid->horizontalHeader(), &QHeaderView::sectionResized, this,
                [this, grid] { padHeadings(grid); });
        connect(grid, &QTableWidget::cellDoubleClicked, this,
                [this, grid](int row, int) { openRow(grid, row); });
        padHeadings(grid);
    }

    m_bottom = new QWidget(this);
    m_bottom->setObjectName(QStringLiteral("Panel_Bottom"));
    const char *const labels[] = {"スケジュール数", "正常終了数", "異常終了数", "未処理数"};
    const char *const boxes[] = {"Edit_ScheduleCount", "Edit_CompletedCount", "Edit_FailedCount",
                                 "Edit_UnprocessedCount"};
    for (int i = 0; i < 4; ++i) {
        m_countLabels[i] = new QLabel(QString::fromUtf8(labels[i]), m_bottom);
        m_counts[i] = new QLineEdit(QStringLiteral("0"), m_bottom);
        m_counts[i]->setObjectName(QString::fromLatin1(boxes[i]));
        m_counts[i]->setReadOnly(true);
        m_counts[i]->setAlignment(Qt::AlignRight);
        m_countLabels[i]->setBuddy(m_counts[i]);
    }
    m_ok = new QPushButton(QStringLiteral("OK"), m_bottom);
    m_ok->setObjectName(QStringLiteral("Button_OK"));
    connect(m_ok, &QPushButton::clicked, this, &QWidget::close);

    setMinimumWidth(logShowMinimumWidth(kOkWidth));
    applyLayoutMode(0);
    setMode(LogShowMode::Log);
}

void TLogShowForm::showMode(LogShowMode mode) {
    setMode(mode);
    show();
    raise();
    activateWindow();
}

void TLogShowForm::setMode(LogShowMode mode) {
    m_mode = mode;
    setWindowTitle(logShowCaption(mode));
    m_open->setText(logShowOpenCaption(mode));
    const bool log = mode == LogShowMode::Log;
    m_logGrid->setVisible(log);
    m_scheduleGrid->setVisible(!log);
    for (int i = 1; i < 4; ++i) {
        m_countLabels[i]->setVisible(log);
        m_counts[i]->setVisible(log);
    }
    layoutControls();
}

void TLogShowForm::openFile() {
    QString preset;
    if (m_mode == LogShowMode::Log) {
        preset = m_lastLog.isEmpty() ? m_dm.settings.logFileDir : m_lastLog;
    } else if (QFileInfo(m_dm.settings.scheduleDataDir).isFile()) {
        preset = m_dm.settings.scheduleDataDir;
    }
    for (;;) {
        if (m_links.dialogs)
            m_links.dialogs->setPreselectedPath(preset);
        const QString path = m_dm.ui->chooseOpenFile(QString(), logShowFilter(m_mode));
        if (path.isEmpty())
            return;
        if (!acceptsLogShowFile(m_mode, path))
            continue;
        if (m_mode == LogShowMode::Log) {
            m_lastLog = path;
            loadLog(path);
        } else {
            loadSchedule(path);
        }
        return;
    }
}

void TLogShowForm::loadLog(const QString &path) {
    showContents(m_logGrid, LogShowContents{});
    Result<RunLogContents> read = readRunLog(path);
    if (!read) {
        m_dm.inform(read.error().message, MessageIcon::Error);
        return;
    }
    showContents(m_logGrid, logShowContents(*read));
}

void TLogShowForm::loadSchedule(const QString &path) {
    Result<Schedule> read = readScheduleFile(path);
    if (!read) {
        m_dm.inform(read.error().message, MessageIcon::Error);
        return;
    }
    m_scheduleOpened = true;
    const LogShowContents contents = scheduleShowContents(*read);
    showContents(m_scheduleGrid, contents);
    if (contents.rows.empty())
        m_dm.inform(QStringLiteral("設定が記述されていません。確認してください。"));
    m_dm.settings.scheduleDataDir = path;
}

void TLogShowForm::showContents(QTableWidget *grid, const LogShowContents &contents) {
    grid->clearContents();
    grid->setRowCount(int(contents.rows.size()) + 1);
    const bool log = grid == m_logGrid;
    for (int r = 0; r < int(contents.rows.size()); ++r) {
        const QStringList &cells = contents.rows[size_t(r)];
        const bool red = log && isRedLogRow(cells);
        for (int c = 0; c < grid->columnCount(); ++c) {
            auto *item = new QTableWidgetItem(cells.value(c));
            item->setData(kRedRowRole, red);
            grid->setItem(r + 1, c, item);
        }
    }
    padHeadings(grid);
    const QString texts[] = {contents.total, contents.completed, contents.failed,
                             contents.unprocessed};
    for (int i = 0; i < 4; ++i)
        m_counts[i]->setText(texts[i]);
    if (grid->rowCount() > 1)
        grid->selectRow(1);
}

void TLogShowForm::padHeadings(QTableWidget *grid) {
    const QStringList headings =
        grid == m_logGrid ? logGridHeadings() : scheduleGridHeadings(m_scheduleOpened);
    const QPalette p = palette();
    for (int c = 0; c < grid->columnCount(); ++c) {
        const QString text = paddedHeading(headings.value(c), grid->columnWidth(c));
        if (QTableWidgetItem *item = grid->item(0, c))
            item->setText(text);
        else
            grid->setItem(0, c, headingItem(text, p));
    }
}

void TLogShowForm::openRow(QTableWidget *grid, int row) {
    if (row < 1 || !m_links.openSettingsFile)
        return;
    auto cell = [grid, row](int c) {
        const QTableWidgetItem *item = grid->item(row, c);
        return item ? item->text() : QString();
    };
    const QString path = settingsFileOfRow(cell(2), cell(1));
    if (!path.isEmpty())
        m_links.openSettingsFile(path);
}

void TLogShowForm::applyLayoutMode(int xgaSvgaMode) {
    const LogShowLayout l = logShowLayout(xgaSvgaMode);
    m_placement->apply(xgaSvgaMode, QRect(l.left, l.top, l.width, l.height));
    for (int c = 0; c < 3; ++c)
        m_scheduleGrid->setColumnWidth(c, l.scheduleWidths[size_t(c)]);
    padHeadings(m_scheduleGrid);
}

void TLogShowForm::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void TLogShowForm::layoutControls() {
    const int w = width();
    const int menuHeight = m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, w, menuHeight);
    const int gridHeight = qMax(0, height() - menuHeight - kBottomHeight);
    m_logGrid->setGeometry(0, menuHeight, w, gridHeight);
    m_scheduleGrid->setGeometry(0, menuHeight, w, gridHeight);
    m_bottom->setGeometry(0, menuHeight + gridHeight, w, kBottomHeight);
    for (int i = 0; i < 4; ++i) {
        const int x = 12 + i * 130;
        m_countLabels[i]->setGeometry(x, 8, 120, 18);
        m_counts[i]->setGeometry(x, 28, 90, 22);
    }
    // The button stays centred.
    m_ok->setGeometry((w - kOkWidth) / 2, kBottomHeight - kOkHeight - 8, kOkWidth, kOkHeight);
}

} // namespace kelvoran
