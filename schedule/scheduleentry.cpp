#include "schedule/scheduleentry.h"

#include <algorithm>

namespace kelvoran {

void ScheduleEntry::clearRunResult() {
    startTime.clear();
    endTime.clear();
    dataCount.clear();
    status.clear();
    writtenPath.clear();
    notices.clear();
}

void Schedule::compact() {
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [](const ScheduleEntry &e) { return e.isEmpty(); }),
                  entries.end());
    for (ScheduleEntry &e : entries)
        e.clearRunResult();
}

QString formatDataCount(qint64 count) {
    return QString::number(count).rightJustified(7, u' ');
}

} // namespace kelvoran
