#include "excel/engine/numberformat.h"

#include "excel/engine/typedinput.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kelvoran::xlsx {

namespace {

std::vector<std::string> sections(const std::string &code) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == '\\' && i + 1 < code.size()) {
            out.back() += code.substr(i, 2);
            ++i;
            continue;
        }
        if (!quoted && c == ';') {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    return out;
}

// Removes bracket tags (colours, conditions, locale); a currency tag [$¥-411] leaves its symbol.
std::string stripBrackets(const std::string &s, bool &elapsedHours) {
    std::string out;
    bool quoted = false;
    elapsedHours = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"')
            quoted = !quoted;
        if (!quoted && c == '[') {
            const size_t end = s.find(']', i);
            if (end == std::string::npos)
                break;
            const std::string inner = s.substr(i + 1, end - i - 1);
            if (!inner.empty() && inner[0] == '$') {
                const size_t dash = inner.find('-');
                out += "\"" +
                       inner.substr(1, dash == std::string::npos ? std::string::npos : dash - 1) +
                       "\"";
            } else if (!inner.empty() && (inner[0] == 'h' || inner[0] == 'H')) {
                elapsedHours = true;
                out += "\x01"; // elapsed hours marker
            }
            i = end;
            continue;
        }
        out += c;
    }
    return out;
}

const char *kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};
const char *kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                       "Thursday", "Friday", "Saturday"};
const char *kJaDays[] = {"日", "月", "火", "水", "木", "金", "土"};

struct Era {
    int y, m, d;
    const char *name;
    const char *abbr;
};
const Era kEras[] = {{2019, 5, 1, "令和", "R"},
                     {1989, 1, 8, "平成", "H"},
                     {1926, 12, 25, "昭和", "S"},
                     {1912, 7, 30, "大正", "T"},
                     {1868, 1, 1, "明治", "M"}};

std::string formatDate(double value, const std::string &fmt, bool elapsed) {
    int y, mo, d, h, mi;
    double sec;
    if (value < 0)
        return std::string(12, '#');
    serialToDateTime(value, y, mo, d, h, mi, sec);
    bool ampm = fmt.find("AM/PM") != std::string::npos || fmt.find("am/pm") != std::string::npos;
    const Era *era = &kEras[4];
    for (const Era &e : kEras)
        if (y * 10000 + mo * 100 + d >= e.y * 10000 + e.m * 100 + e.d) {
            era = &e;
            break;
        }
    std::string out;
    bool quoted = false;
    char buf[32];
    const int weekday = int((long(std::floor(value)) + 6) % 7);
    for (size_t i = 0; i < fmt.size();) {
        const char c = fmt[i];
        if (c == '"') {
            quoted = !quoted;
            ++i;
            continue;
        }
        if (quoted) {
            out += c;
            ++i;
            continue;
        }
        size_t run = 1;
        while (i + run < fmt.size() && std::tolower(static_cast<unsigned char>(fmt[i + run])) ==
                                           std::tolower(static_cast<unsigned char>(c)))
            ++run;
        const char lc = char(std::tolower(static_cast<unsigned char>(c)));
        if (c == '\\' && i + 1 < fmt.size()) {
            out += fmt[i + 1];
            i += 2;
            continue;
        }
        if (c == '\x01') {
            std::snprintf(buf, sizeof buf, "%ld", long(std::floor(value * 24 + 1e-9)));
            out += buf;
            i += 1;
            continue;
        }
        if (fmt.compare(i, 5, "AM/PM") == 0 || fmt.compare(i, 5, "am/pm") == 0) {
            out += h < 12 ? "AM" : "PM";
            i += 5;
            continue;
        }
        switch (lc) {
        case 'y':
            std::snprintf(buf, sizeof buf, run <= 2 ? "%02d" : "%04d", run <= 2 ? y % 100 : y);
            out += buf;
            break;
        case 'e':
            std::snprintf(buf, sizeof buf, run >= 2 ? "%02d" : "%d", y - era->y + 1);
            out += buf;
            break;
        case 'g':
            out += run >= 2 ? (run >= 3 ? era->name : std::string(era->name, 3)) : era->abbr;
            break;
        case 'd':
            if (run >= 4)
                out += kDays[weekday];
            else if (run == 3)
                out += std::string(kDays[weekday], 3);
            else {
                std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", d);
                out += buf;
            }
            break;
        case 'a':
            if (run >= 3) {
                out += kJaDays[weekday];
                if (run >= 4)
                    out += "曜日";
            } else {
                out.append(fmt, i, run);
            }
            break;
        case 'h': {
            const int hh = ampm ? (h % 12 == 0 ? 12 : h % 12) : h;
            std::snprintf(buf, sizeof buf, run >= 2 ? "%02d" : "%d", hh);
            out += buf;
            break;
        }
        case 'm': {
            // Minutes after an hour or before seconds, otherwise months.
            bool minute = false;
            for (size_t k = out.size(), j = i; j-- > 0;) {
                const char p = char(std::tolower(static_cast<unsigned char>(fmt[j])));
                if (p == 'h' || p == '\x01') {
                    minute = true;
                    break;
                }
                if (std::isalpha(static_cast<unsigned char>(p)))
                    break;
                (void)k;
            }
            for (size_t j = i + run; j < fmt.size(); ++j) {
                const char p = char(std::tolower(static_cast<unsigned char>(fmt[j])));
                if (p == 's') {
                    minute = true;
                    break;
                }
                if (std::isalpha(static_cast<unsigned char>(p)))
                    break;
            }
            if (minute && run <= 2) {
                std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", mi);
                out += buf;
            } else if (run >= 4) {
                out += kMonths[mo - 1];
            } else if (run == 3) {
                out += std::string(kMonths[mo - 1], 3);
            } else {
                std::snprintf(buf, sizeof buf, run == 2 ? "%02d" : "%d", mo);
                out += buf;
            }
            break;
        }
        case 's': {
            int whole = int(sec);
            size_t extra = 0;
            std::string frac;
            if (i + run < fmt.size() && fmt[i + run] == '.') {
                size_t z = i + run + 1;
                while (z < fmt.size() && fmt[z] == '0')
                    ++z;
                const int places = int(z - (i + run + 1));
                if (places > 0) {
                    std::snprintf(buf, sizeof buf, "%.*f", places, sec - whole);
                    frac = std::string(buf + 1);
                    extra = size_t(places) + 1;
                }
            } else {
                whole = int(std::lround(sec));
                if (whole == 60)
                    whole = 59;
            }
            std::snprintf(buf, sizeof buf, run >= 2 ? "%02d" : "%d", whole);
            out += buf;
            out += frac;
            i += extra;
            break;
        }
        case '_':
            out += ' ';
            run = 2;
            break;
        case '*':
            run = 2;
            break;
        default:
            out.append(fmt, i, run);
            break;
        }
        i += run;
    }
    (void)elapsed;
    return out;
}

std::string groupDigits(const std::string &digits) {
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        out += digits[i];
        if ((n - i - 1) % 3 == 0 && i + 1 < n)
            out += ',';
    }
    return out;
}

std::string formatPlain(double value, const std::string &fmt) {
    // Collect the layout: text before, integer placeholders, decimal placeholders, text after.
    int intZeros = 0, decimals = 0, decimalZeros = 0, scale = 0;
    bool grouping = false, percent = false, inDecimals = false, seenDigit = false,
         scientific = false;
    int expDigits = 0;
    std::string prefix, suffix;
    bool quoted = false;
    for (size_t i = 0; i < fmt.size(); ++i) {
        const char c = fmt[i];
        std::string &lit = seenDigit ? suffix : prefix;
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted) {
            lit += c;
            continue;
        }
        switch (c) {
        case '0':
        case '#':
        case '?':
            if (scientific) {
                ++expDigits;
                break;
            }
            if (!suffix.empty() && seenDigit && !inDecimals) {
                // literal between digit groups: keep simple, treat as suffix
            }
            seenDigit = true;
            if (inDecimals) {
                ++decimals;
                if (c == '0')
                    ++decimalZeros;
            } else if (c == '0') {
                ++intZeros;
            }
            break;
        case '.':
            if (seenDigit || (i + 1 < fmt.size() && (fmt[i + 1] == '0' || fmt[i + 1] == '#')))
                inDecimals = true, seenDigit = true;
            else
                lit += c;
            break;
        case ',': {
            const bool nextDigit =
                i + 1 < fmt.size() && (fmt[i + 1] == '0' || fmt[i + 1] == '#' || fmt[i + 1] == '?');
            if (seenDigit && !inDecimals && nextDigit)
                grouping = true;
            else if (seenDigit)
                ++scale;
            else
                lit += c;
            break;
        }
        case '%':
            percent = true;
            lit += '%';
            break;
        case 'E':
        case 'e':
            if (seenDigit && i + 1 < fmt.size() && (fmt[i + 1] == '+' || fmt[i + 1] == '-')) {
                scientific = true;
                ++i;
            } else {
                lit += c;
            }
            break;
        case '\\':
            if (i + 1 < fmt.size())
                lit += fmt[++i];
            break;
        case '_':
            lit += ' ';
            ++i;
            break;
        case '*':
            ++i;
            break;
        default:
            lit += c;
            break;
        }
    }
    if (!seenDigit)
        return prefix;
    double v = std::fabs(value);
    if (percent)
        v *= 100;
    for (int k = 0; k < scale; ++k)
        v /= 1000;
    char buf[400];
    std::string body;
    if (scientific) {
        int exp = v == 0 ? 0 : int(std::floor(std::log10(v)));
        double mant = v == 0 ? 0 : v / std::pow(10.0, exp);
        std::snprintf(buf, sizeof buf, "%.*f", decimals, mant);
        if (std::atof(buf) >= 10) {
            ++exp;
            std::snprintf(buf, sizeof buf, "%.*f", decimals, mant / 10);
        }
        body = buf;
        std::snprintf(buf, sizeof buf, "E%c%0*d", exp < 0 ? 0x2d : 0x2b,
                      std::min(std::max(expDigits, 1), 9), std::abs(exp) % 1000);
        body += buf;
    } else {
        if (v >= 1e300)
            return "#";
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        std::string text = buf;
        std::string intPart = text.substr(0, text.find('.'));
        std::string decPart = decimals ? text.substr(text.find('.') + 1) : std::string();
        while (decPart.size() > size_t(decimalZeros) && !decPart.empty() && decPart.back() == '0')
            decPart.pop_back();
        if (intPart == "0" && intZeros == 0)
            intPart.clear();
        while (int(intPart.size()) < intZeros)
            intPart.insert(intPart.begin(), '0');
        if (grouping)
            intPart = groupDigits(intPart);
        body = intPart;
        if (decimals > 0 && (!decPart.empty() || decimalZeros > 0))
            body += "." + decPart;
        else if (decimals > 0 && decimalZeros == 0 && decPart.empty())
            body += ".";
    }
    return prefix + body + suffix;
}

} // namespace

std::string generalNumber(double value) {
    if (value == 0)
        return "0";
    char buf[40];
    const double a = std::fabs(value);
    if (a >= 1e11 || a < 1e-9) {
        std::snprintf(buf, sizeof buf, "%.5E", value);
        std::string s = buf;
        const size_t e = s.find('E');
        std::string mant = s.substr(0, e), exp = s.substr(e + 1);
        while (mant.find('.') != std::string::npos && (mant.back() == '0' || mant.back() == '.')) {
            const bool dot = mant.back() == '.';
            mant.pop_back();
            if (dot)
                break;
        }
        const char sign = exp[0];
        int n = std::atoi(exp.c_str() + 1);
        std::snprintf(buf, sizeof buf, "%sE%c%02d", mant.c_str(), sign, n);
        return buf;
    }
    // Up to 11 characters of digits as the column shows by default.
    const int intDigits = a >= 1 ? int(std::floor(std::log10(a))) + 1 : 1;
    const int places = std::max(0, 10 - intDigits);
    std::snprintf(buf, sizeof buf, "%.*f", places, value);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

std::string formatNumber(double value, const std::string &code) {
    if (code.empty() || code == "General")
        return generalNumber(value);
    if (code == "@")
        return generalNumber(value);
    const std::vector<std::string> parts = sections(code);
    std::string fmt;
    bool negSection = false;
    if (value < 0 && parts.size() >= 2) {
        fmt = parts[1];
        negSection = true;
    } else if (value == 0 && parts.size() >= 3) {
        fmt = parts[2];
    } else {
        fmt = parts[0];
    }
    bool elapsed = false;
    fmt = stripBrackets(fmt, elapsed);
    std::string lower;
    {
        bool quoted = false;
        for (size_t i = 0; i < fmt.size(); ++i) {
            const char c = fmt[i];
            if (c == '"')
                quoted = !quoted;
            else if (!quoted && c == '\\')
                ++i;
            else if (!quoted)
                lower += char(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    if (fmt.find("General") != std::string::npos) {
        std::string g = generalNumber(negSection ? std::fabs(value) : value);
        std::string out = fmt;
        out.replace(out.find("General"), 7, g);
        std::string clean;
        bool quoted = false;
        for (char c : out)
            if (c == '"')
                quoted = !quoted;
            else
                clean += c;
        return clean;
    }
    const bool isDate = elapsed || lower.find_first_of("ymdhsge") != std::string::npos;
    if (isDate && lower.find("e+") == std::string::npos && lower.find("e-") == std::string::npos)
        return formatDate(value, fmt, elapsed);
    std::string text = formatPlain(value, fmt);
    if (value < 0 && !negSection) {
        // One section: the minus sign stays, unless the value rounds to zero.
        bool nonZero = false;
        for (char c : text)
            if (c >= '1' && c <= '9')
                nonZero = true;
        if (nonZero)
            text = "-" + text;
    }
    return text;
}

std::string formatText(const std::string &text, const std::string &code) {
    const std::vector<std::string> parts = sections(code);
    if (parts.size() < 4)
        return text;
    std::string out;
    bool quoted = false;
    for (char c : parts[3]) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && c == '@')
            out += text;
        else
            out += c;
    }
    return out;
}

} // namespace kelvoran::xlsx
