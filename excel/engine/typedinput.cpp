#include "excel/engine/typedinput.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kelvoran::xlsx {

namespace {

long daysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe) - 719468;
}

void civilFromDays(long z, int &y, int &m, int &d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long yy = long(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yy + (m <= 2));
}

const long kEpoch = daysFromCivil(1899, 12, 30);

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Reads 1+ digits; false when none.
bool digits(std::string_view s, size_t &i, long &value, int maxDigits = 9) {
    const size_t start = i;
    value = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) &&
           int(i - start) < maxDigits) {
        value = value * 10 + (s[i] - '0');
        ++i;
    }
    return i > start && (i == s.size() || !std::isdigit(static_cast<unsigned char>(s[i])));
}

// Time "h:mm", "h:mm:ss", "h:mm:ss.f"; sets hasSeconds.
bool parseTime(std::string_view s, double &fraction, bool &hasSeconds) {
    size_t i = 0;
    long h, m, sec = 0;
    if (!digits(s, i, h, 2) || i >= s.size() || s[i] != ':')
        return false;
    ++i;
    if (!digits(s, i, m, 2))
        return false;
    double frac = 0;
    hasSeconds = false;
    if (i < s.size() && s[i] == ':') {
        ++i;
        if (!digits(s, i, sec, 2))
            return false;
        hasSeconds = true;
        if (i < s.size() && s[i] == '.') {
            const size_t start = i;
            ++i;
            long ignored;
            if (!digits(s, i, ignored, 9))
                return false;
            frac = std::strtod(std::string(s.substr(start, i - start)).c_str(), nullptr);
        }
    }
    if (i != s.size() || h > 23 || m > 59 || sec > 59)
        return false;
    fraction = (double(h) * 3600 + double(m) * 60 + double(sec) + frac) / 86400.0;
    return true;
}

// Date "y/m/d" or "y-m-d" with a four-digit year.
bool parseDate(std::string_view s, double &serial) {
    size_t i = 0;
    long y, m, d;
    if (!digits(s, i, y, 4) || i != 4 || i >= s.size() || (s[i] != '/' && s[i] != '-'))
        return false;
    const char sep = s[i++];
    if (!digits(s, i, m, 2) || i >= s.size() || s[i] != sep)
        return false;
    ++i;
    if (!digits(s, i, d, 2) || i != s.size())
        return false;
    serial = dateSerial(int(y), int(m), int(d));
    return serial >= 0;
}

bool parseNumber(std::string_view s, TypedValue &out) {
    bool negative = false, parens = false, percent = false, grouped = false, exponent = false,
         hasDecimals = false;
    std::string currency;
    size_t i = 0;
    if (s.size() >= 2 && s.front() == '(' && s.back() == ')') {
        parens = true;
        s = s.substr(1, s.size() - 2);
    }
    auto takeCurrency = [&] {
        if (i < s.size() && (s[i] == '$' || s[i] == '\\')) {
            currency = s[i] == '$' ? "$" : "¥";
            ++i;
        } else if (s.compare(i, 2, "¥") == 0) {
            currency = "¥";
            i += 2;
        }
    };
    takeCurrency();
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (currency.empty())
        takeCurrency();
    std::string number;
    const size_t intStart = i;
    size_t lastComma = std::string::npos;
    while (i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || s[i] == ',')) {
        if (s[i] == ',') {
            // Groups after the first are exactly three digits.
            if (i == intStart || (lastComma != std::string::npos && i - lastComma != 4))
                return false;
            lastComma = i;
            grouped = true;
        } else {
            number += s[i];
        }
        ++i;
    }
    if (grouped && i - lastComma != 4)
        return false;
    if (i < s.size() && s[i] == '.') {
        number += '.';
        ++i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            number += s[i++];
            hasDecimals = true;
        }
    }
    if (number.empty() || number == ".")
        return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        size_t j = i + 1;
        std::string exp = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp += s[j++];
        const size_t ds = j;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
            exp += s[j++];
        if (j == ds || grouped)
            return false;
        number += exp;
        exponent = true;
        i = j;
    }
    if (i < s.size() && s[i] == '%') {
        percent = true;
        ++i;
    }
    if (i != s.size() || (parens && negative))
        return false;
    if (percent && !currency.empty())
        return false;
    // Typed entry keeps 15 significant digits; the digits after them become zeros.
    {
        int significant = 0;
        bool started = false;
        for (char &ch : number) {
            if (ch == 'e')
                break;
            if (!std::isdigit(static_cast<unsigned char>(ch)))
                continue;
            if (ch != '0')
                started = true;
            if (started && ++significant > 15)
                ch = '0';
        }
    }
    double v = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(v))
        return false;
    if (negative || parens)
        v = -v;
    if (percent)
        v /= 100;
    out.kind = TypedValue::Number;
    out.number = v;
    if (!currency.empty()) {
        const std::string sym = currency == "$" ? "$" : "\"¥\"";
        const std::string body = hasDecimals ? "#,##0.00" : "#,##0";
        out.format = sym + body + ";" + sym + "\\-" + body;
    } else if (percent) {
        out.format = hasDecimals ? "0.00%" : "0%";
    } else if (exponent) {
        out.format = "0.00E+00";
    } else if (grouped) {
        out.format = hasDecimals ? "#,##0.00" : "#,##0";
    }
    return true;
}

} // namespace

double dateSerial(int year, int month, int day) {
    if (year < 1900 || year > 9999 || month < 1 || month > 12 || day < 1)
        return -1;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day > kDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return -1;
    long serial = daysFromCivil(year, unsigned(month), unsigned(day)) - kEpoch;
    if (serial < 61) // the file format counts a 29 February 1900 that never was
        serial -= 1;
    return double(serial);
}

void serialToDateTime(double serial, int &year, int &month, int &day, int &hour, int &minute,
                      double &second) {
    double days = std::floor(serial);
    double frac = serial - days;
    // Round to the millisecond so that 0.9999999 reads as the next second.
    double ms = std::round(frac * 86400000.0);
    if (ms >= 86400000.0) {
        ms -= 86400000.0;
        days += 1;
    }
    const long d = long(days);
    if (d == 60) { // the phantom 29 February 1900
        year = 1900;
        month = 2;
        day = 29;
    } else {
        civilFromDays(kEpoch + d + (d < 60 ? 1 : 0), year, month, day);
    }
    hour = int(ms / 3600000.0);
    minute = int(std::fmod(ms, 3600000.0) / 60000.0);
    second = std::fmod(ms, 60000.0) / 1000.0;
}

TypedValue parseTypedInput(std::string_view raw) {
    TypedValue out;
    if (raw.empty())
        return out;
    if (raw[0] == '\'') {
        out.kind = TypedValue::Text;
        out.text = std::string(raw.substr(1));
        out.quotePrefix = true;
        return out;
    }
    if (raw[0] == '=' && raw.size() > 1) {
        out.kind = TypedValue::Formula;
        out.text = std::string(raw.substr(1));
        return out;
    }
    const std::string_view s = trim(raw);
    if (!s.empty()) {
        if (s.size() == 4 || s.size() == 5) {
            std::string upper(s);
            for (char &c : upper)
                c = char(std::toupper(static_cast<unsigned char>(c)));
            if (upper == "TRUE" || upper == "FALSE") {
                out.kind = TypedValue::Bool;
                out.number = upper == "TRUE";
                return out;
            }
        }
        if (parseNumber(s, out))
            return out;
        double serial = 0, fraction = 0;
        bool seconds = false;
        if (parseTime(s, fraction, seconds)) {
            out.kind = TypedValue::Number;
            out.number = fraction;
            out.format = seconds ? "h:mm:ss" : "h:mm";
            return out;
        }
        const size_t sep = s.find_first_of(" T");
        if (sep == std::string_view::npos) {
            if (parseDate(s, serial)) {
                out.kind = TypedValue::Number;
                out.number = serial;
                out.format = "yyyy/m/d";
                return out;
            }
        } else if (parseDate(s.substr(0, sep), serial) &&
                   parseTime(trim(s.substr(sep + 1)), fraction, seconds)) {
            out.kind = TypedValue::Number;
            out.number = serial + fraction;
            out.format = "yyyy/m/d h:mm";
            return out;
        }
    }
    out.kind = TypedValue::Text;
    out.text = std::string(raw);
    return out;
}

} // namespace kelvoran::xlsx
