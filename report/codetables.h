// The forty code tables of the password scrambler: ten groups, each with E1/D2 (a password
// character <-> a two-digit code) and D1/E2 (a two-digit code <-> a stored character).
#pragma once

#include <QChar>
#include <QString>

namespace kelvoran::codetables {

// Number of table groups.
constexpr int kGroups = 10;

// E1 of group g: the two-digit code (0-99) of a character, or -1 when E1 holds none. E1 holds
// the 95 printable ASCII characters, blank included.
int e1(int group, QChar c);
// D2 of group g: the character of a code, the inverse of E1; a null QChar when E1 uses no
// character for that code.
QChar d2(int group, int code);
// D1 of group g: the stored character of a code 0-99 (ASCII letters and digits, and hiragana).
QChar d1(int group, int code);
// E2 of group g: the inverse of D1, or -1 for a character that D1 does not hold.
int e2(int group, QChar c);

} // namespace kelvoran::codetables
