// Keeps a secondary window where the user leaves it, per layout mode: once shown, each move or
// resize is remembered in the settings for the mode the window is laid out in, and laying it out
// for a mode takes the remembered place, else the mode's preset.
#pragma once

#include <QObject>
#include <QRect>

class QWidget;

namespace kelvoran {

struct AppSettings;

class LayoutPlacement : public QObject {
public:
    LayoutPlacement(QWidget &window, AppSettings &settings);

    // Moves the window to its place for this mode.
    void apply(int xgaSvgaMode, const QRect &preset);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_window;
    AppSettings &m_settings;
    int m_mode = 0;
    QRect m_preset;
};

} // namespace kelvoran
