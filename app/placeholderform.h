// The windows that later work builds (report designer, viewers, preferences ...): each exists once
// under its own name so the menus are wired, and says plainly that it is not available yet.
#pragma once

#include <QWidget>

namespace kelvoran {

class PlaceholderForm : public QWidget {
    Q_OBJECT
public:
    // name: the window's class name (object name); caption: its title.
    PlaceholderForm(const QString &name, const QString &caption, QWidget *parent = nullptr);
    // The message a command of this window shows.
    QString notAvailableText() const;
};

} // namespace kelvoran
