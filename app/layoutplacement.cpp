#include "app/layoutplacement.h"

#include "core/appsettings.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kelvoran {

namespace {
// True when a part of the window's title bar would be on one of the screens.
bool onSomeScreen(const QRect &place) {
    const QRect titleBar(place.topLeft(), QSize(place.width(), 24));
    for (const QScreen *screen : QGuiApplication::screens())
        if (screen->availableGeometry().intersects(titleBar))
            return true;
    return false;
}
} // namespace

LayoutPlacement::LayoutPlacement(QWidget &window, AppSettings &settings)
    : QObject(&window), m_window(window), m_settings(settings) {
    window.installEventFilter(this);
}

void LayoutPlacement::apply(int xgaSvgaMode, const QRect &preset) {
    m_mode = xgaSvgaMode;
    m_preset = preset;
    QRect place = m_settings.windowPlacement(m_window.objectName(), xgaSvgaMode, preset);
    if (!onSomeScreen(place))
        place = preset; // left on a screen that is gone
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
