// kelvoran: the desktop program. Applies the single-instance rule, hands a file to the running
// instance or creates the main window (which creates every other window once) and runs.
#include "app/filecommands.h"
#include "app/mainwindow.h"
#include "app/singleinstance.h"
#include "core/appsettings.h"
#include "core/openpaths.h"
#include "db/aliases.h"
#include "db/dberror.h"

#include <QApplication>
#include <QMessageBox>

using namespace kelvoran;

namespace {

// The application-wide error handler: a database error that escaped an event handler is shown
// as DbErrorText boxes; other exceptions are not reported.
class KelvoranApplication : public QApplication {
public:
    using QApplication::QApplication;
    TKelvoran *window = nullptr;
    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const DbException &e) {
            if (window)
                window->showDbError(e.error());
        } catch (...) {
        }
        return false;
    }
};

} // namespace

int main(int argc, char **argv) {
    KelvoranApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Kelvoran"));
    QApplication::setApplicationName(QStringLiteral("Kelvoran"));
    QApplication::setApplicationVersion(QStringLiteral("0.1.0"));
    const QStringList args = app.arguments().mid(1);
    const QString settingsPath = AppSettingsStore::defaultIniPath();

    SingleInstance instance;
    const SingleInstance::Outcome outcome =
        instance.start(handOffPath(args), HandOffStore(settingsPath));
    if (outcome == SingleInstance::Outcome::HandedOff)
        return 0;

    Result<AliasList> aliases = AliasList::load();
    if (!aliases)
        QMessageBox::warning(nullptr, QStringLiteral("Kelvoran"), aliases.error().message);
    TKelvoran window(aliases ? *aliases : AliasList(), settingsPath, startupPath(args));
    app.window = &window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.runCommand([&window] { window.fileCommands()->activation(); });
    });
    window.show();
    return app.exec();
}
