// The single-instance rule and the hand-off of a file to the running instance.
//
// 1. A starting instance connects to the local socket named after the instance name (the mutex
//    name plus the user's id, or KELVORAN_INSTANCE_NAME). No answer means no instance runs: a
//    socket file left behind by a crash is removed and this instance listens under the name.
// 2. When an instance answers and a path was given, the starting instance writes the path to
//    the hand-off value (OstrelKey/TempFilePath in the settings store), asks the running
//    instance to activate itself and exits.
// 3. When an instance answers and no path was given, a second full instance starts anyway
//    (without listening).
// 4. The running instance answers the request at once and activates afterwards from its event
//    loop; it reads the hand-off value on each activation and clears it.
// UI thread only.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace kelvoran {

// The hand-off value "TempFilePath" of the key "OstrelKey" in the settings store.
class HandOffStore {
public:
    // The store at iniPath (the AppSettings INI file).
    explicit HandOffStore(QString iniPath);
    // Writes the path (also an empty one).
    bool write(const QString &path) const;
    // Reads the value and writes it back empty; empty when there is none.
    QString take() const;

private:
    QString m_iniPath;
};

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // The mutex name the instance name is built from.
    static QString mutexName() { return QStringLiteral("KelvoranKelvoranKelvoranKelvoran"); }
    // The local socket name: KELVORAN_INSTANCE_NAME, else the mutex name plus the user's id.
    static QString instanceName();

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    // What start() found.
    enum class Outcome {
        First,     // no other instance: this one listens
        HandedOff, // another instance runs and took the path: exit now
        Second     // another instance runs, no path given: run as a second instance
    };
    // Applies the rule for a starting instance with the hand-off path (may be empty).
    Outcome start(const QString &handOffPath, const HandOffStore &store);
    // True while this instance listens.
    bool isListening() const;

signals:
    // Another instance asked this one to activate itself (and pick up the hand-off value).
    void activationRequested();

private:
    bool listen();
    QLocalServer *m_server = nullptr;
};

} // namespace kelvoran
