// Stored credentials of a settings file: the password scrambler, the four packed copies written
// under PASSWORD, KWORD, QWORD and TWORD, their reading with the tamper check, and the in-place
// change of the three Excel passwords.
//
// How a save and a load go:
//  1. PackPasswords takes a new MAKEDATE ("YYYY/MM/DD HH:NN:SS", last digit random 0-8) and
//     packs DB, T, R and W four times, each copy under its own base stamp and storage order.
//  2. The writer stores the four copies, MAKEDATE and VERSION "2.2.0.0" in the format block.
//  3. The reader maps VERSION to its family (FormatFamily) and calls UnpackPasswords, which
//     unscrambles every copy and accepts the passwords only when all four copies agree.
// Every text produced here is Shift_JIS-representable and holds no line break, so a packed copy
// stays on one line of the format block.
#pragma once

#include "core/result.h"

#include <QString>
#include <QStringList>

namespace kelvoran {

class Clock;
class StepCode;

// The four passwords a settings file carries.
struct Passwords {
    QString db;           // database password (DB)
    QString templateRead; // read password of the template workbook (T)
    QString outputRead;   // read password of the written workbook (R)
    QString outputWrite;  // write password of the written workbook (W)

    bool operator==(const Passwords &o) const {
        return db == o.db && templateRead == o.templateRead && outputRead == o.outputRead &&
               outputWrite == o.outputWrite;
    }
    bool operator!=(const Passwords &o) const { return !(*this == o); }
};

// The four packed copies as stored under their keys.
struct PackedCopies {
    QString password; // PASSWORD
    QString kword;    // KWORD
    QString qword;    // QWORD
    QString tword;    // TWORD
};

// What PackPasswords produces: the new time stamp, the version to write and the four copies.
struct PackedPasswords {
    QString makeDate;
    QString version;
    PackedCopies copies;
};

// The longest password that the two-digit length header of a packed copy can carry.
constexpr int kMaxPasswordLength = 41;

// The text ScrambleText returns when its result does not unscramble back to its input:
// "データ変換エラー" nine times in a row.
QString ConversionErrorText();

// The tamper texts of DB, T, R and W ("DBPassWord改竄エラー", ...), index 0-3.
QString TamperText(int passwordIndex);

// Maps a VERSION value to its format family: "1.0.0.0"/"1.1.0.0"/"1.2.0.0" -> "1.0.0.0",
// "2.0.0.0" -> "2.0.0.0", "2.1.0.0"/"2.2.0.0" -> "2.1.0.0"; any other text -> empty.
QString FormatFamily(const QString &version);

// The number formed by characters 1, 3, 5 and 7 of a family or version ("2.1.0.0" -> 2100);
// -1 when those characters are not digits.
int FamilyNumber(const QString &family);

// True when stamp has the shape "DDDD/DD/DD DD:DD:DD" (digits where digits belong).
bool IsStampText(const QString &stamp);

// Sum of year, month, day, hour, minute and second of a stamp (characters 1-4, 6-7, 9-10,
// 12-13, 15-16, 18-19); -1 when the stamp is not a stamp text.
int StampSum(const QString &stamp);

// The stamp with its seconds (characters 18-19) replaced by second + seconds, written with at
// least two digits. Seeds only: seconds above 59 are allowed.
QString StampPlusSeconds(const QString &stamp, int seconds);

// A new MAKEDATE: the clock's current time as "YYYY/MM/DD HH:NN:SS" with the last digit
// replaced by a random digit 0-8.
QString NewMakeDate(const Clock &clock);

// Scrambles text under the stamp's sum: two characters per input character. Returns the
// conversion error text when the result does not unscramble back, an empty text for a family
// number other than 1000, 1100, 1200, 2000, 2100 and 2200, and an Error when a character has no
// code (only the 95 printable ASCII characters, blank included, have one) or the stamp is not a
// stamp text.
Result<QString> ScrambleText(const QString &family, const QString &text, const QString &stamp);

// Unscrambles text scrambled under a stamp whose sum is given. Empty for an unknown family. An
// Error when the text cannot have come from ScrambleText (odd length, a character outside the
// code tables, a sum outside 1000-9999).
Result<QString> UnscrambleText(const QString &family, const QString &scrambled, int sum);

// The seed tag of a stamp: 1 to 5 characters depending only on the stamp; empty for an unknown
// family or a stamp that is not a stamp text.
QString SeedTag(const QString &family, const QString &stamp);

// Puts the seed tag after scrambled (last digit of the stamp odd) or before it (even).
QString AttachSeedTag(const QString &family, const QString &scrambled, const QString &stamp);

// Removes the seed tag of the stamp from value without comparing it: as many characters as the
// tag has, from the end (last digit odd) or the start (even). A value shorter than the tag
// gives an empty text.
QString StripSeedTag(const QString &value, const QString &stamp);

// Packs the four passwords under a new MAKEDATE taken from the clock; VERSION is "2.2.0.0".
// An Error (and nothing to write) when a password is longer than kMaxPasswordLength or holds a
// character without a code.
Result<PackedPasswords> PackPasswords(const Passwords &passwords, const Clock &clock);

// The same under a given MAKEDATE (a stamp text), for a caller that took the stamp itself.
// No retry: a conversion error is returned as an Error.
Result<PackedPasswords> PackPasswordsAt(const Passwords &passwords, const QString &makeDate);

// Unpacks the passwords of a file of the given family ("1.0.0.0", "2.0.0.0" or "2.1.0.0", see
// FormatFamily; a VERSION value is mapped to its family first) and MAKEDATE. Sets step to the
// PDD_/CDD_ (by its prefix) stage code before each step. On failure all four passwords are lost and
// the Error carries the step code: a tamper error has the tamper text and PDD_300176-PDD_300179; a
// broken copy has the code of the step where unpacking broke.
Result<Passwords> UnpackPasswords(const QString &family, const QString &makeDate,
                                  const PackedCopies &copies, StepCode &step);

// Changes the three Excel passwords of a settings file's lines in place and keeps DB: unpacks
// the stored copies, packs DB with the new T, R and W under a new MAKEDATE and rewrites the key
// lines PASSWORD, KWORD, QWORD, TWORD, MAKEDATE and VERSION of the format block as
// " /* KEY= value ". Only key lines between the block's markers are touched. Missing lines are
// inserted (PASSWORD after USER_NAME or DBNAME, the copies after the last PASSWORD/CSVCOLNAME
// line, MAKEDATE and VERSION before the end marker). An Error, and no change, when the block is
// missing, the stored copies do not unpack, or the new passwords cannot be packed.
Result<QStringList> ChangeExcelPasswords(const QStringList &lines, const QString &templateRead,
                                         const QString &outputRead, const QString &outputWrite,
                                         const Clock &clock, StepCode &step);

// The same under a given new MAKEDATE.
Result<QStringList> ChangeExcelPasswordsAt(const QStringList &lines, const QString &templateRead,
                                           const QString &outputRead, const QString &outputWrite,
                                           const QString &makeDate, StepCode &step);

} // namespace kelvoran
