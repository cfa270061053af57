// Driving the report designer's dialogs offscreen as a person does: answering the next modal
// dialog, finding controls by name, clicking buttons and list items, pressing keys where the
// focus is, reading pixels, and where screenshots go.
#pragma once

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

class QTimer;

namespace kelvoran::test {

// Runs answer on the next active modal dialog other than `over` (polling, since exec() blocks);
// a dialog that answer leaves open (a failed check returns early) is rejected. The poller is
// returned so that a test expecting no dialog can stop it.
QTimer *onNextModal(std::function<void(QWidget *)> answer, QWidget *over = nullptr);
// Presses a key where the keyboard focus is (on modal when nothing has it).
void press(QWidget *modal, Qt::Key key);

// The control of a name under w; a missing one ends the test run.
template <class T> T *control(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QLatin1String(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Clicks the button of a name.
void click(QWidget *w, const char *button);
// Clicks the list item of a text, scrolled into view.
void clickItem(QListWidget *list, const QString &text);
// The texts of a list's items.
QStringList itemTexts(const QListWidget *list);
// The colour shown at a point of a widget.
QColor pixelAt(QWidget *w, QPoint p);
// Where screenshots go: docs/ when KELVORAN_WRITE_SCREENSHOTS is set, else tmp.
QString shotDir(const QTemporaryDir &tmp);
// Saves a grab of a dialog as file in dir.
bool saveShot(QWidget *dialog, const QString &dir, const char *file);

} // namespace kelvoran::test
