#include "app/scheduleform.h"

#include "schedule/schedulefile.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kelvoran {

TScheduleForm::TScheduleForm(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TScheduleForm"));
    setWindowTitle(QStringLiteral("Schedule設定"));
    auto *layout = new QVBoxLayout(this);
    m_fileLabel = new QLabel(this);
    layout->addWidget(m_fileLabel);
    layout->addWidget(
        new QLabel(QStringLiteral("スケジュールの実行と編集の画面はまだ利用できません。"), this));
    m_grid = new QTableWidget(0, 3, this);
    m_grid->setObjectName(QStringLiteral("StringGrid_Schedule"));
    m_grid->setHorizontalHeaderLabels(
        {QStringLiteral("設定ファイル"), QStringLiteral("フォルダ"), QStringLiteral("出力先")});
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(m_grid);
    resize(800, 400);
}

Status TScheduleForm::loadScheduleFile(const QString &path) {
    Result<Schedule> read = readScheduleFile(path);
    if (!read)
        return read.error();
    m_file = path;
    m_schedule = *read;
    m_fileLabel->setText(path);
    m_grid->setRowCount(int(m_schedule.entries.size()));
    int row = 0;
    for (const ScheduleEntry &e : m_schedule.entries) {
        m_grid->setItem(row, 0, new QTableWidgetItem(e.fileName));
        m_grid->setItem(row, 1, new QTableWidgetItem(e.folder));
        m_grid->setItem(row, 2, new QTableWidgetItem(e.targetPath));
        ++row;
    }
    return {};
}

void TScheduleForm::setStartFields(const QDateTime &now) {
    m_startFields = {now.toString(QStringLiteral("yyyy")), now.toString(QStringLiteral("MM")),
                     now.toString(QStringLiteral("dd")), now.toString(QStringLiteral("HH")),
                     now.toString(QStringLiteral("mm"))};
}

} // namespace kelvoran
