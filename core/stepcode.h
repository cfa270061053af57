// The current step marker of a processing stage ("PME_140012" interactive, "CME_140012" scheduled).
#pragma once

#include <QString>

#include <initializer_list>

namespace kelvoran {

// Holds the step code that is current in one stage. A stage is written once and runs with the
// prefix 'P' on the interactive path and 'C' in the scheduler; the code is assigned just before
// each step so that a failure can name where it happened.
class StepCode {
public:
    // prefix: 'P' (interactive) or 'C' (scheduled).
    explicit StepCode(QChar prefix = u'P') : m_prefix(prefix) {}

    QChar prefix() const { return m_prefix; }
    bool isScheduled() const { return m_prefix == u'C'; }

    // Sets the step from the stage letters after the prefix and the step number, for example
    // set("ME_140012") gives "PME_140012" or "CME_140012".
    void set(const char *stageStep) { m_text = m_prefix + QString::fromLatin1(stageStep); }
    // The same inside loops: the loop numbers are appended after "_" each ("CME_140012_3_1").
    void set(const char *stageStep, std::initializer_list<int> loopNumbers);
    // Takes a full code as it is (codes that do not follow the prefix rule).
    void setText(const QString &fullCode) { m_text = fullCode; }
    void clear() { m_text.clear(); }

    const QString &text() const { return m_text; }

private:
    QChar m_prefix;
    QString m_text;
};

} // namespace kelvoran
