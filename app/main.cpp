// kelvoran: the desktop program.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvoran"));
    QApplication::setApplicationName(QStringLiteral("Kelvoran"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kelvoran"));
    window.setCentralWidget(new QLabel(QStringLiteral("Kelvoran")));
    window.resize(1000, 700);
    window.show();
    return app.exec();
}
