// TScheduleForm: the schedule window. This build holds the loaded schedule (file, entries, error
// stop) and lists its entries; running and editing come with the full window.
#pragma once

#include "core/result.h"
#include "schedule/scheduleentry.h"

#include <QWidget>

class QLabel;
class QTableWidget;

namespace kelvoran {

class TScheduleForm : public QWidget {
    Q_OBJECT
public:
    explicit TScheduleForm(QWidget *parent = nullptr);

    // Loads a schedule file as the current schedule; the error is the reader's.
    Status loadScheduleFile(const QString &path);
    // Fills the first-start fields with a time ("YYYY", "MM", "DD", "HH", "NN").
    void setStartFields(const QDateTime &now);

    const QString &scheduleFile() const { return m_file; }
    const Schedule &schedule() const { return m_schedule; }
    const QStringList &startFields() const { return m_startFields; }
    QTableWidget *grid() const { return m_grid; }

private:
    QString m_file;
    Schedule m_schedule;
    QStringList m_startFields;
    QLabel *m_fileLabel;
    QTableWidget *m_grid;
};

} // namespace kelvoran
