#include "core/stepcode.h"

namespace kelvoran {

void StepCode::set(const char *stageStep, std::initializer_list<int> loopNumbers) {
    set(stageStep);
    for (int n : loopNumbers)
        m_text += u'_' + QString::number(n);
}

} // namespace kelvoran
