// The select-list scanner: classifies an SQL text and splits the select list of a query into
// items (physical name and alias), the select head and the lines from FROM and from WHERE on.
//
// It is a single pass over the characters of the lines, not a parser: it knows a handful of
// words and the characters that group or end words (quotes, comments, parentheses, operators).
// The settings file writer rebuilds the SELECT from its results.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace kelvoran {

// What the text is: a query (first word SELECT and a FROM found), a procedure call (first word
// EXEC or EXECUTE), a SHOW statement, or anything else. The numbers are the stored values.
enum class StatementKind { Other = 0, Query = 1, ProcedureCall = 2, Show = 4 };

// One select item: the expression as written (blanks around operators dropped) and its alias.
struct SelectItem {
    QString physicalName;
    QString alias;

    bool operator==(const SelectItem &o) const {
        return physicalName == o.physicalName && alias == o.alias;
    }
};

// Where a word was found: 0-based line index and 0-based character index; -1 when not found.
struct TextPosition {
    int line = -1;
    int column = -1;

    bool found() const { return line >= 0; }
};

// The result of one scan.
struct SelectAnalysis {
    StatementKind statementKind = StatementKind::Other;
    // Text put before the first item when the SQL is rebuilt: the first word as written and one
    // blank, then " word " for each ALL/DISTINCT and " hint " for an Oracle hint.
    QString selectHead;
    // From the SELECT word up to the text before FROM.
    QStringList selectLines;
    // From FROM up to the text before WHERE, or to the end when there is no WHERE.
    QStringList fromLines;
    // From WHERE to the end.
    QStringList whereLines;
    TextPosition selectPosition;
    TextPosition fromPosition;
    TextPosition wherePosition;
    // Item row k (1-based) is items[k - 1]. A row that received nothing (two commas in a row)
    // stays as an empty item.
    std::vector<SelectItem> items;
};

// Scans the lines of an SQL text (without line ends). oracleHints: the alias is an Oracle one,
// so a "/*+ ... */" right after SELECT is an optimizer hint kept in the head instead of a
// comment. (A plain flag rather than the database kind, so that the scanner needs nothing else
// of the database layer.)
SelectAnalysis AnalyzeSelect(const QStringList &lines, bool oracleHints);

// Removes one closing double quote from each alias that ends with one, then one opening double
// quote from each alias that begins with one (run after the SQL tab has been run).
void StripAliasQuotes(std::vector<SelectItem> &items);

} // namespace kelvoran
