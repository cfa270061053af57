// What the report libraries ask or tell the user. The windows answer with dialogs, the scheduler
// and kelvoran-batch by recording the text and answering without asking, tests with scripted
// answers.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <vector>

namespace kelvoran {

// The icon of a message box.
enum class MessageIcon { Information, Warning, Error };

// A connection picked for a settings file: alias, user name and database password.
struct ConnectionChoice {
    QString alias;
    QString driverName; // the alias's driver name (DATABASE)
    QString userName;
    QString password;
};

// The questions and messages of the report libraries. UI thread only.
class UserInteraction {
public:
    virtual ~UserInteraction();
    // Shows a message with an OK button.
    virtual void inform(MessageIcon icon, const QString &text) = 0;
    // Asks a Yes/No question; true for Yes.
    virtual bool confirm(const QString &text) = 0;
    // Asks for alias, user name and database password, preset with an alias name; false when
    // cancelled. The default cancels.
    virtual bool chooseConnection(const QString &presetAlias, ConnectionChoice &choice);
    // Asks for a file to open or to save with a title and a filter; empty when cancelled. The
    // defaults cancel.
    virtual QString chooseOpenFile(const QString &title, const QString &filter);
    virtual QString chooseSaveFile(const QString &title, const QString &filter);
};

// Records every message and answers from scripted queues; an empty queue gives the default
// answer. Used by kelvoran-batch (which never asks) and by tests.
class RecordingInteraction : public UserInteraction {
public:
    struct Message {
        MessageIcon icon;
        QString text;
        bool question; // asked through confirm()
    };

    void inform(MessageIcon icon, const QString &text) override;
    bool confirm(const QString &text) override;
    bool chooseConnection(const QString &presetAlias, ConnectionChoice &choice) override;
    QString chooseOpenFile(const QString &title, const QString &filter) override;
    QString chooseSaveFile(const QString &title, const QString &filter) override;

    // Scripted answers, taken in order.
    std::deque<bool> confirmAnswers;
    std::deque<ConnectionChoice> connections; // empty queue: cancelled
    std::deque<QString> files;                // empty queue: cancelled
    bool defaultConfirm = false;

    // Everything shown or asked, in order, and the titles/presets asked for.
    std::vector<Message> messages;
    QStringList connectionPresets;
    QStringList fileFilters;
};

} // namespace kelvoran
