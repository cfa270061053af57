// What a value typed into a cell becomes: a number (with the format the entry implies), a date
// or time serial, a truth value, a formula, or text.
#pragma once

#include <string>
#include <string_view>

namespace kelvoran::xlsx {

struct TypedValue {
    enum Kind { Empty, Number, Bool, Formula, Text };
    Kind kind = Empty;
    double number = 0;
    std::string text;   // Text: the text; Formula: the formula without "="
    std::string format; // a format the entry implies for a General cell, or empty
    bool quotePrefix = false;
};

// Converts typed text as a Japanese-locale spreadsheet does: numbers with sign, thousands
// separators, decimal point, exponent, percent sign, yen or dollar sign, parentheses for a
// negative; dates y/m/d and y-m-d with an optional time (also ISO "T"); times h:mm[:ss[.f]];
// TRUE/FALSE; a leading "=" makes a formula and a leading apostrophe forces text. Numbers keep
// 15 significant digits.
TypedValue parseTypedInput(std::string_view text);

// The serial number of a date (1900 date system), or -1 when the date is invalid or before 1900.
double dateSerial(int year, int month, int day);
// Splits a serial into date and time parts.
void serialToDateTime(double serial, int &year, int &month, int &day, int &hour, int &minute,
                      double &second);

} // namespace kelvoran::xlsx
