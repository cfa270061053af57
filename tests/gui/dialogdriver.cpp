#include "tests/gui/dialogdriver.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

namespace kelvoran::test {

QTimer *onNextModal(std::function<void(QWidget *)> answer, QWidget *over) {
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, over] {
        QWidget *modal = QApplication::activeModalWidget();
        // Active too, so that the focus is where the dialog put it.
        if (modal && modal != over && modal->isVisible() && modal->isActiveWindow()) {
            timer->stop();
            timer->deleteLater();
            answer(modal);
            // A failed check inside answer returns early: close the dialog so the test ends.
            if (modal->isVisible())
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
        }
    });
    timer->start();
    return timer;
}

void press(QWidget *modal, Qt::Key key) {
    QWidget *focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : modal, key);
}

void click(QWidget *w, const char *button) {
    QTest::mouseClick(control<QPushButton>(w, button), Qt::LeftButton);
}

void clickItem(QListWidget *list, const QString &text) {
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    if (found.isEmpty())
        qFatal("no item %s", qPrintable(text));
    list->scrollToItem(found.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.first()).center());
}

QStringList itemTexts(const QListWidget *list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QColor pixelAt(QWidget *w, QPoint p) {
    return w->grab().toImage().pixelColor(p * w->devicePixelRatioF());
}

QString shotDir(const QTemporaryDir &tmp) {
    return qEnvironmentVariableIsSet("KELVORAN_WRITE_SCREENSHOTS")
               ? QStringLiteral(KELVORAN_DOCS_DIR)
               : tmp.path();
}

bool saveShot(QWidget *dialog, const QString &dir, const char *file) {
    QTest::qWait(50);
    return dialog->grab().toImage().save(dir + u'/' + QLatin1String(file));
}

} // namespace kelvoran::test
