#include "excel/engine/textwidth.h"

#include <algorithm>
#include <cmath>

namespace kelvoran::xlsx {

namespace {

// Pixel widths of ASCII 32..126 at 11 points.
const unsigned char kAscii[95] = {
    3, 5, 6, 7, 7, 11, 10, 3, 5, 5, 7, 7, 4,  5,  4,  6, // space to /
    7, 7, 7, 7, 7, 7,  7,  7, 7, 7,                      // 0-9
    4, 4, 7, 7, 7, 7,  13,                               // : ; < = > ? @
    9, 8, 8, 9, 7, 7,  9,  9, 4, 5, 8, 6, 12, 10, 10, 8, 10, 8, 7, 7, 9, 9, 13, 8, 7, 7, // A-Z
    5, 6, 5, 7, 7, 4, // [ \ ] ^ _ `
    7, 8, 6, 8, 8, 5,  7,  8, 4, 4, 7, 4, 12, 8,  8,  8, 8,  5, 6, 5, 8, 7, 11, 7, 7, 6, // a-z
    5, 7, 5, 7};                                                                         // { | } ~

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

} // namespace

double textPixelWidth(std::string_view s, double fontSize) {
    double best = 0, line = 0;
    for (size_t i = 0; i < s.size();) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        char32_t c;
        size_t n;
        if (b < 0x80) {
            c = b;
            n = 1;
        } else if ((b >> 5) == 6) {
            c = b & 0x1F;
            n = 2;
        } else if ((b >> 4) == 14) {
            c = b & 0x0F;
            n = 3;
        } else {
            c = b & 0x07;
            n = 4;
        }
        for (size_t k = 1; k < n && i + k < s.size(); ++k)
            c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        i += n;
        if (c == '\n') {
            best = std::max(best, line);
            line = 0;
            continue;
        }
        if (c >= 32 && c <= 126)
            line += kAscii[c - 32];
        else if (isWide(c))
            line += 14;
        else if (c >= 0xFF61 && c <= 0xFF9F)
            line += 7;
        else if (c >= 32)
            line += 8;
    }
    best = std::max(best, line);
    return best * (fontSize > 0 ? fontSize / 11.0 : 1.0);
}

double widthForPixels(double pixels) {
    const double width = pixels <= 12 ? pixels / 12.0 : (pixels - 5) / 7.0;
    return std::min(255.0, std::round(width * 256) / 256);
}

} // namespace kelvoran::xlsx
