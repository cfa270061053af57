#include "report/userinteraction.h"

namespace kelvoran {

UserInteraction::~UserInteraction() = default;

bool UserInteraction::chooseConnection(const QString &, ConnectionChoice &) {
    return false;
}

QString UserInteraction::chooseOpenFile(const QString &, const QString &) {
    return QString();
}

QString UserInteraction::chooseSaveFile(const QString &, const QString &) {
    return QString();
}

void RecordingInteraction::inform(MessageIcon icon, const QString &text) {
    messages.push_back({icon, text, false});
}

bool RecordingInteraction::confirm(const QString &text) {
    messages.push_back({MessageIcon::Information, text, true});
    if (confirmAnswers.empty())
        return defaultConfirm;
    const bool answer = confirmAnswers.front();
    confirmAnswers.pop_front();
    return answer;
}

bool RecordingInteraction::chooseConnection(const QString &presetAlias, ConnectionChoice &choice) {
    connectionPresets << presetAlias;
    if (connections.empty())
        return false;
    choice = connections.front();
    connections.pop_front();
    return true;
}

QString RecordingInteraction::chooseOpenFile(const QString &, const QString &filter) {
    fileFilters << filter;
    if (files.empty())
        return QString();
    const QString f = files.front();
    files.pop_front();
    return f;
}

QString RecordingInteraction::chooseSaveFile(const QString &title, const QString &filter) {
    return chooseOpenFile(title, filter);
}

} // namespace kelvoran
