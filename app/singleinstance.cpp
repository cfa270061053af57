#include "app/singleinstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QSettings>

#include <unistd.h>

namespace kelvoran {

namespace {
const QString kHandOffKey = QStringLiteral("OstrelKey/TempFilePath");
const QByteArray kActivate = "ACTIVATE\n";
} // namespace

HandOffStore::HandOffStore(QString iniPath) : m_iniPath(std::move(iniPath)) {}

bool HandOffStore::write(const QString &path) const {
    QSettings s(m_iniPath, QSettings::IniFormat);
    s.setValue(kHandOffKey, path);
    s.sync();
    return s.status() == QSettings::NoError;
}

QString HandOffStore::take() const {
    QSettings s(m_iniPath, QSettings::IniFormat);
    QString value = s.value(kHandOffKey).toString();
    s.setValue(kHandOffKey, QString());
    s.sync();
    return value;
}

QString SingleInstance::instanceName() {
    QString over = qEnvironmentVariable("KELVORAN_INSTANCE_NAME");
    if (!over.isEmpty())
        return over;
    return mutexName() + QString::number(uint(getuid()));
}

SingleInstance::SingleInstance(QObject *parent) : QObject(parent) {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

bool SingleInstance::isListening() const {
    return m_server && m_server->isListening();
}

bool SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(instanceName())) {
        // Nobody answered on the name, so whatever holds it is a leftover of a crashed instance.
        QLocalServer::removeServer(instanceName());
        if (!m_server->listen(instanceName()))
            return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                bool activate = false;
                while (socket->canReadLine())
                    activate = socket->readLine() == kActivate || activate;
                socket->write("OK\n");
                socket->flush();
                // The activation may show a modal message box, whose event loop would delete
                // this socket under the handler once the second instance hangs up: it runs
                // after the handler has returned, and the second instance is answered first.
                if (activate)
                    QMetaObject::invokeMethod(
                        this, [this] { emit activationRequested(); }, Qt::QueuedConnection);
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

SingleInstance::Outcome SingleInstance::start(const QString &handOffPath,
                                              const HandOffStore &store) {
    QLocalSocket probe;
    probe.connectToServer(instanceName());
    if (!probe.waitForConnected(500)) {
        listen();
        return Outcome::First;
    }
    if (handOffPath.isEmpty()) {
        probe.disconnectFromServer();
        return Outcome::Second;
    }
    store.write(handOffPath);
    probe.write(kActivate);
    probe.flush();
    probe.waitForBytesWritten(1000);
    probe.waitForReadyRead(2000); // the running instance confirms it took the request
    probe.disconnectFromServer();
    return Outcome::HandedOff;
}

} // namespace kelvoran
