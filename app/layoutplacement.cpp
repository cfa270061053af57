#include "app/layoutplacement.h"

#include "core/appsettings.h"

#include <QEvent>
#include <QWidget>

namespace kelvoran {

LayoutPlacement::LayoutPlacement(QWidget &window, AppSettings &settings)
    : QObject(&window), m_window(window), m_settings(settings) {
    window.installEventFilter(this);
}

void LayoutPlacement::apply(int xgaSvgaMode, const QRect &preset) {
    m_mode = xgaSvgaMode;
    m_preset = preset;
    const QRect place = m_settings.windowPlacement(m_window.objectName(), xgaSvgaMode, preset);
    m_window.move(place.topLeft());
    m_window.resize(place.size());
}

bool LayoutPlacement::eventFilter(QObject *watched, QEvent *event) {
    // Only a visible window's place is the user's: a hidden one is where the layout put it.
    const bool placeChanged = event->type() == QEvent::Move || event->type() == QEvent::Resize;
    if (watched == &m_window && placeChanged && m_window.isVisible())
        m_settings.rememberWindowPlacement(m_window.objectName(), m_mode,
                                           QRect(m_window.pos(), m_window.size()), m_preset);
    return QObject::eventFilter(watched, event);
}

} // namespace kelvoran
