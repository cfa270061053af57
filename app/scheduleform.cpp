#include "app/scheduleform.h"

#include "app/datamodule.h"
#include "app/layoutplacement.h"
#include "app/passwordsetform.h"
#include "app/savedbparamsetform.h"
#include "app/scheduleforminteraction.h"
#include "core/clock.h"
#include "schedule/schedulefile.h"
#include "ui/backgroundschedulerun.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace kelvoran {

namespace {

// Fills a whole row in its mark's colour and draws the text 2 pixels right of and below the
// cell's corner; rows without a fill are drawn as the grid draws them.
class RowFillDelegate : public QStyledItemDelegate {
public:
    RowFillDelegate(const TScheduleForm &form, QObject *parent)
        : QStyledItemDelegate(parent), m_form(form) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        const QColor fill = m_form.rowColour(index.row() + 1);
        if (!fill.isValid()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        painter->save();
        painter->fillRect(option.rect, fill);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect.adjusted(2, 2, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                          index.data().toString());
        painter->restore();
    }

private:
    const TScheduleForm &m_form;
};

QLineEdit *displayBox(QWidget *parent, const char *name, int width) {
    auto *box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setFixedWidth(width);
    return box;
}

} // namespace

TScheduleForm::TScheduleForm(TDataModule_Kelvoran &dm, TSaveDBParamSetForm &connectionForm,
                             QWidget *parent)
    : QWidget(parent, Qt::Window), m_dm(dm), m_connectionForm(connectionForm),
      m_systemClock(std::make_unique<SystemClock>()), m_clock(m_systemClock.get()),
      m_timer(std::make_unique<ScheduleTimer>(*m_clock)), m_connection(dm.session.aliases()),
      m_interaction(std::make_unique<ScheduleFormInteraction>(dm, connectionForm)),
      m_run(std::make_unique<BackgroundScheduleRun>(this)) {
    setObjectName(QStringLiteral("TScheduleForm"));
    setWindowTitle(QStringLiteral("ScheduleForm"));
    m_placement = new LayoutPlacement(*this, dm.settings);
    m_passwordForm = new TPassWordSetForm(this);
    keepOneRow(m_schedule);
    buildControls();
    buildMenus();
    applyLayoutMode(dm.settings.xgaSvgaMode);
    refreshGrid();
    updateCommands();
}

TScheduleForm::~TScheduleForm() {
    if (m_run->isRunning())
        stopRunAndWait();
}

void TScheduleForm::setClock(Clock *clock) {
    m_clock = clock ? clock : m_systemClock.get();
    m_timer = std::make_unique<ScheduleTimer>(*m_clock);
}

void TScheduleForm::buildControls() {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 0);
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(m_menuBar);

    // The start fields, the error stop and the run's display boxes.
    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("開始時間"), this));
    static const char *const names[] = {"EditFirstYear", "EditFirstMonth", "EditFirstDay",
                                        "EditFirstHour", "EditFirstMinute"};
    static const char *const units[] = {"年", "月", "日", "時", "分"};
    const auto *digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (int i = 0; i < 5; ++i) {
        auto *field = new QLineEdit(this);
        field->setObjectName(QLatin1String(names[i]));
        field->setMaxLength(i == 0 ? 4 : 2);
        field->setValidator(digits);
        field->setFixedWidth(i == 0 ? 48 : 30);
        field->installEventFilter(this);
        m_startFields[i] = field;
        head->addWidget(field);
        head->addWidget(new QLabel(QString::fromUtf8(units[i]), this));
    }
    head->addSpacing(12);
    m_errorStop = new QCheckBox(QStringLiteral("エラーで中断"), this);
    m_errorStop->setObjectName(QStringLiteral("CheckBoxErrStopFlg"));
    m_errorStop->setChecked(true);
    connect(m_errorStop, &QCheckBox::toggled, this, [this](bool on) { m_schedule.errorStop = on; });
    head->addWidget(m_errorStop);
    head->addStretch();
    head->addWidget(new QLabel(QStringLiteral("終了時間"), this));
    m_endTime = displayBox(this, "EditEndTime", 130);
    head->addWidget(m_endTime);
    head->addWidget(new QLabel(QStringLiteral("スケジュール数"), this));
    m_entryCount = displayBox(this, "Memo1", 40);
    head->addWidget(m_entryCount);
    head->addWidget(new QLabel(QStringLiteral("実行スケジュール番号"), this));
    m_entryNumber = displayBox(this, "Memo2", 40);
    head->addWidget(m_entryNumber);
    layout->addLayout(head);

    m_grid = new QTableWidget(1, ScheduleColumnCount, this);
    m_grid->setObjectName(QStringLiteral("StringGrid_Schedule"));
    m_grid->verticalHeader()->hide();
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setItemDelegate(new RowFillDelegate(*this, m_grid));
    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_grid->viewport()->installEventFilter(this);
    m_grid->installEventFilter(this);
    // Column widths are dragged only over columns 2 to 7.
    for (int c = 0; c < ScheduleColumnCount; ++c)
        m_grid->horizontalHeader()->setSectionResizeMode(
            c, c < FolderColumn ? QHeaderView::Fixed : QHeaderView::Interactive);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { writeHeadings(); });
    connect(m_grid, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        updateCommands();
        m_popup->popup(m_grid->viewport()->mapToGlobal(pos));
    });
    layout->addWidget(m_grid, 1);

    // The footer's buttons are placed by the layout rules, not by a layout manager.
    m_footer = new QWidget(this);
    m_footer->setObjectName(QStringLiteral("PanelFooter"));
    m_footer->setFixedHeight(40);
    m_exec = new QPushButton(QStringLiteral("実行"), m_footer);
    m_exec->setObjectName(QStringLiteral("Button_Exec"));
    m_deleteAll = new QPushButton(QStringLiteral("全削除"), m_footer);
    m_deleteAll->setObjectName(QStringLiteral("Button_Delete_All"));
    m_close = new QPushButton(QStringLiteral("閉じる"), m_footer);
    m_close->setObjectName(QStringLiteral("Button_Cancel"));
    for (QPushButton *b : {m_exec, m_deleteAll, m_close}) {
        b->setFixedSize(75, 25);
        b->move(0, 8);
    }
    connect(m_exec, &QPushButton::clicked, this, &TScheduleForm::execCommand);
    connect(m_deleteAll, &QPushButton::clicked, this, &TScheduleForm::deleteAllCommand);
    connect(m_close, &QPushButton::clicked, this, &TScheduleForm::closeCommand);
    layout->addWidget(m_footer);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    m_statusBar->setSizeGripEnabled(false);
    layout->addWidget(m_statusBar);
}

QAction *TScheduleForm::addCommand(QMenu *menu, QMenu *popup, ScheduleCommand command,
                                   const QString &name, const QString &text,
                                   const QString &popupText, const QKeySequence &key,
                                   void (TScheduleForm::*slot)()) {
    auto *action = new QAction(text, this);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, slot);
    menu->addAction(action);
    addAction(action);
    m_commands[command].push_back(action);
    if (popup) {
        auto *item = new QAction(popupText, this);
        item->setObjectName(name + QStringLiteral("Popup"));
        connect(item, &QAction::triggered, this, slot);
        popup->addAction(item);
        m_commands[command].push_back(item);
    }
    return action;
}

void TScheduleForm::buildMenus() {
    QMenu *file = m_menuBar->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("MenuFile"));
    QMenu *edit = m_menuBar->addMenu(QStringLiteral("編集(&E)"));
    edit->setObjectName(QStringLiteral("MenuEdit"));
    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    addCommand(file, nullptr, ScheduleCommand::Load, QStringLiteral("ScheduleLoad"),
               QStringLiteral("スケジュールの読み込み(&O)"), QString(),
               QKeySequence(Qt::CTRL | Qt::Key_O), &TScheduleForm::loadCommand);
    addCommand(file, nullptr, ScheduleCommand::Save, QStringLiteral("ScheduleSave"),
               QStringLiteral("スケジュールの保存(&S)"), QString(),
               QKeySequence(Qt::CTRL | Qt::Key_S), &TScheduleForm::saveCommand);
    addCommand(edit, m_popup, ScheduleCommand::AddRow, QStringLiteral("RowAdd"),
               QStringLiteral("行追加(&A)"), QStringLiteral("行追加"), QKeySequence(Qt::Key_F7),
               &TScheduleForm::addRowCommand);
    addCommand(edit, m_popup, ScheduleCommand::DeleteRow, QStringLiteral("RowDelete"),
               QStringLiteral("行削除(&D)"), QStringLiteral("行削除"), QKeySequence(Qt::Key_F8),
               &TScheduleForm::deleteRowCommand);
    addCommand(edit, m_popup, ScheduleCommand::ChangeConnection, QStringLiteral("DBPasswordChange"),
               QStringLiteral("DBパスワード等変更(&E)"), QStringLiteral("DBパスワード等変更"),
               QKeySequence(Qt::Key_F9), &TScheduleForm::changeConnectionCommand);
    addCommand(edit, m_popup, ScheduleCommand::ExcelPasswords,
               QStringLiteral("ExcelPasswordChange"), QStringLiteral("Excelパスワード設定・変更"),
               QStringLiteral("Excelパスワード設定・変更"), QKeySequence(Qt::Key_F11),
               &TScheduleForm::excelPasswordsCommand);
    addCommand(edit, m_popup, ScheduleCommand::EditTarget, QStringLiteral("SavePathEdit"),
               QStringLiteral("保存場所編集"), QStringLiteral("保存場所編集"), QKeySequence(),
               &TScheduleForm::editTargetCommand);
    addCommand(edit, m_popup, ScheduleCommand::EditTargetGroup, QStringLiteral("SavePathEditGroup"),
               QStringLiteral("保存場所編集(グループ)"), QStringLiteral("保存場所変更(グループ)"),
               QKeySequence(), &TScheduleForm::editTargetCommand);
    connect(edit, &QMenu::aboutToShow, this, &TScheduleForm::updateCommands);
    connect(file, &QMenu::aboutToShow, this, &TScheduleForm::updateCommands);
}

void TScheduleForm::updateCommands() {
    for (const auto &[command, actions] : m_commands)
        for (QAction *a : actions) {
            a->setVisible(scheduleCommandVisible(command, m_range.isRange()));
            a->setEnabled(scheduleCommandEnabled(command, m_state));
        }
    m_deleteAll->setEnabled(scheduleCommandEnabled(ScheduleCommand::DeleteAll, m_state));
    m_errorStop->setEnabled(m_state != ScheduleState::Running);
    for (QLineEdit *field : m_startFields)
        field->setEnabled(m_state != ScheduleState::Running);
}

void TScheduleForm::applyLayoutMode(int xgaSvgaMode) {
    m_layoutMode = xgaSvgaMode;
    const ScheduleWindowLayout layout = scheduleWindowLayout(xgaSvgaMode);
    m_placement->apply(xgaSvgaMode, layout.geometry);
    for (int c = 0; c < ScheduleColumnCount; ++c)
        m_grid->setColumnWidth(c, layout.columnWidths[size_t(c)]);
    placeFooterButtons(false);
    writeHeadings();
}

void TScheduleForm::placeFooterButtons(bool centred) {
    const FooterButtonLefts lefts = centred
                                        ? centredButtonLefts(m_footer->width(), m_exec->width(),
                                                             m_deleteAll->width(), m_close->width())
                                        : buttonLeftsForLayout(width());
    m_exec->move(lefts.exec, m_exec->y());
    m_deleteAll->move(lefts.deleteAll, m_deleteAll->y());
    m_close->move(lefts.close, m_close->y());
}

void TScheduleForm::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    const int narrowest =
        minimumScheduleWindowWidth(m_exec->width(), m_deleteAll->width(), m_close->width());
    if (width() < narrowest) {
        resize(narrowest, height());
        return;
    }
    layout()->activate();
    placeFooterButtons(true);
}

void TScheduleForm::writeHeadings() {
    const QStringList headings = scheduleHeadings();
    QStringList padded;
    for (int c = 0; c < ScheduleColumnCount; ++c)
        padded << scheduleHeadingText(headings[c], m_grid->columnWidth(c));
    m_grid->setHorizontalHeaderLabels(padded);
}

void TScheduleForm::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    setStartFields(m_clock->now());
}

void TScheduleForm::setStartFields(const QDateTime &now) {
    const QStringList fields = startFieldsFor(now);
    for (int i = 0; i < 5; ++i)
        m_startFields[i]->setText(fields[i]);
}

QStringList TScheduleForm::startFields() const {
    QStringList fields;
    for (const QLineEdit *field : m_startFields)
        fields << field->text();
    return fields;
}

int TScheduleForm::highlightedRow() const {
    if (m_state != ScheduleState::Running)
        return 0;
    const int row = m_runCursor + 1;
    return row <= int(m_schedule.entries.size()) ? row : 0;
}

QColor TScheduleForm::rowColour(int row) const {
    if (row < 1 || row > int(m_schedule.entries.size()))
        return QColor();
    switch (rowFill(m_schedule.entries[size_t(row - 1)].mark, row == highlightedRow())) {
    case RowFill::Running:
        return QColor(0, 255, 0);
    case RowFill::Failed:
        return QColor(255, 0, 0);
    case RowFill::Unchecked:
        return QColor(0, 255, 255);
    case RowFill::Normal:
        break;
    }
    return QColor();
}

void TScheduleForm::refreshGrid() {
    keepOneRow(m_schedule);
    const bool numbered = m_state != ScheduleState::Idle;
    const int rows = int(m_schedule.entries.size());
    m_grid->setRowCount(rows);
    for (int r = 1; r <= rows; ++r) {
        const ScheduleEntry &e = m_schedule.entries[size_t(r - 1)];
        const QString texts[] = {rowNumberText(r, numbered),
                                 e.fileName,
                                 e.folder,
                                 e.targetPath,
                                 e.startTime,
                                 e.endTime,
                                 e.dataCount,
                                 e.status};
        for (int c = 0; c < ScheduleColumnCount; ++c) {
            QTableWidgetItem *item = m_grid->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem;
                m_grid->setItem(r - 1, c, item);
            }
            item->setText(texts[c]);
        }
    }
    m_grid->viewport()->update();
}

int TScheduleForm::cursorRow() const {
    const int row = m_grid->currentRow() + 1;
    return row < 1 ? 1 : row;
}

void TScheduleForm::selectRow(int row) {
    const int rows = int(m_schedule.entries.size());
    row = std::clamp(row, 1, std::max(rows, 1));
    m_grid->setCurrentCell(row - 1, std::max(m_grid->currentColumn(), 0));
    m_range.reset(row);
    showRange();
}

void TScheduleForm::showRange() {
    m_grid->clearSelection();
    m_grid->setRangeSelected(QTableWidgetSelectionRange(m_range.first() - 1, 0, m_range.last() - 1,
                                                        ScheduleColumnCount - 1),
                             true);
    updateCommands();
}

bool TScheduleForm::eventFilter(QObject *watched, QEvent *event) {
    for (int i = 0; i < 5; ++i)
        if (watched == m_startFields[i] && event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            // A message box or a menu taking the focus is not leaving the field.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                QTimer::singleShot(0, this, [this, i] { startFieldLeft(i); });
            return false;
        }
    if (watched == m_grid && event->type() == QEvent::KeyPress) {
        // A key in the status column moves to the number column of the next row (or row 1).
        const auto *key = static_cast<QKeyEvent *>(event);
        if (m_grid->currentColumn() == StatusColumn && key->modifiers() == Qt::NoModifier) {
            const int next = cursorRow() >= m_grid->rowCount() ? 1 : cursorRow() + 1;
            m_grid->setCurrentCell(next - 1, NumberColumn);
            m_range.reset(next);
            showRange();
            return true;
        }
        return false;
    }
    if (watched != m_grid->viewport())
        return false;
    const auto rowAt = [this](const QMouseEvent *e) {
        const int row = m_grid->rowAt(int(e->position().y()));
        return row < 0 ? 0 : row + 1;
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto *e = static_cast<QMouseEvent *>(event);
        const int row = rowAt(e);
        if (row == 0)
            return e->button() == Qt::LeftButton;
        if (e->button() == Qt::RightButton) {
            if (m_range.rightClick(row)) {
                m_grid->setCurrentCell(row - 1, std::max(m_grid->currentColumn(), 0));
                showRange();
            }
            return true;
        }
        if (e->button() != Qt::LeftButton)
            return false;
        const int column = m_grid->columnAt(int(e->position().x()));
        m_grid->setCurrentCell(row - 1, std::max(column, 0));
        m_range.reset(row);
        showRange();
        // The number column takes hold of the row to move it; the others select a range.
        if (column == NumberColumn && isRunning() == false)
            m_moveFrom = row;
        else
            m_selecting = true;
        return true;
    }
    case QEvent::MouseMove: {
        const auto *e = static_cast<QMouseEvent *>(event);
        const int row = rowAt(e);
        if (m_selecting && (e->buttons() & Qt::LeftButton) && row > 0 && row != m_range.end()) {
            m_range.dragTo(row);
            showRange();
        }
        return m_selecting || m_moveFrom > 0;
    }
    case QEvent::MouseButtonRelease: {
        const auto *e = static_cast<QMouseEvent *>(event);
        const int row = rowAt(e);
        if (m_moveFrom > 0 && row > 0 && row != m_moveFrom) {
            moveRow(m_schedule, m_moveFrom, row);
            refreshGrid();
            selectRow(row);
        }
        m_moveFrom = 0;
        m_selecting = false;
        return e->button() == Qt::LeftButton;
    }
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
            QTimer::singleShot(0, this, &TScheduleForm::addEntryCommand);
        return true;
    default:
        return false;
    }
}

void TScheduleForm::startFieldLeft(int field) {
    if (!isVisible() || m_close->hasFocus())
        return;
    const StartFieldCheck check = checkLeftStartField(startFields(), field, m_clock->now());
    for (int i = 0; i < 5; ++i)
        if (m_startFields[i]->text() != check.fields[i])
            m_startFields[i]->setText(check.fields[i]);
    if (!check.warning.isEmpty())
        m_dm.ui->inform(MessageIcon::Warning, check.warning);
    if (check.focusField >= 0)
        m_startFields[check.focusField]->setFocus(Qt::OtherFocusReason);
}

} // namespace kelvoran
