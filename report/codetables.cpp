// The code tables as constant data. Files written with them must stay readable by every later
// version: never change a value here.
//
// They were drawn once by a seeded shuffle. E1 of each group gives the printable ASCII
// characters 0x20-0x7E, in that order, 95 distinct codes out of 100. D1 of each group is an
// arrangement of 100 distinct characters: the ASCII digits and letters and 38 hiragana. None of
// them is a blank, a line break, "*" or "/" (a packed copy sits inside an SQL comment and is
// trimmed when read), and all of them are Shift_JIS characters.
#include "report/codetables.h"

#include <array>

namespace kelvoran::codetables {
namespace {

const unsigned char kE1Codes[10][95] = {
    {63, 59, 22, 48, 28, 80, 60, 73, 76, 94, 61, 13, 7,  38, 15, 39, 41, 9,  40, 65, 96, 51, 89, 66,
     4,  26, 83, 1,  91, 58, 43, 62, 16, 46, 95, 17, 82, 44, 10, 8,  25, 49, 18, 77, 71, 79, 56, 68,
     21, 70, 64, 45, 37, 6,  75, 0,  74, 11, 99, 88, 2,  67, 84, 27, 12, 14, 57, 19, 97, 86, 34, 52,
     32, 55, 50, 72, 93, 5,  54, 23, 33, 20, 31, 29, 85, 24, 30, 3,  87, 42, 78, 92, 81, 35, 69},
    {68, 9,  39, 77, 20, 87, 94, 17, 24, 83, 22, 63, 72, 19, 66, 4,  44, 5,  12, 1,  78, 90, 93, 64,
     55, 38, 18, 23, 11, 92, 15, 31, 46, 2,  60, 41, 29, 56, 36, 27, 74, 0,  40, 73, 61, 45, 37, 70,
     21, 16, 32, 79, 59, 86, 91, 71, 75, 69, 7,  35, 82, 50, 76, 85, 51, 81, 57, 95, 42, 14, 53, 6,
     99, 67, 62, 96, 52, 33, 47, 65, 3,  48, 80, 43, 98, 34, 10, 97, 89, 49, 84, 8,  54, 88, 25},
    {34, 43, 72, 46, 86, 23, 91, 55, 26, 5,  63, 9,  83, 24, 97, 44, 45, 15, 29, 37, 66, 28, 2,  27,
     75, 87, 10, 98, 17, 3,  1,  25, 12, 73, 74, 19, 36, 90, 40, 77, 64, 68, 57, 21, 93, 41, 18, 51,
     96, 82, 94, 85, 52, 60, 38, 84, 67, 48, 22, 89, 54, 62, 6,  81, 71, 33, 92, 42, 65, 4,  95, 20,
     11, 35, 59, 56, 61, 32, 49, 13, 7,  80, 58, 30, 88, 31, 79, 76, 50, 14, 39, 53, 47, 99, 70},
    {40, 1,  24, 19, 31, 43, 7,  57, 86, 94, 59, 38, 87, 70, 10, 62, 98, 15, 33, 42, 21, 96, 68, 52,
     30, 85, 26, 46, 8,  20, 16, 54, 65, 83, 95, 39, 80, 23, 75, 2,  79, 29, 6,  71, 5,  78, 12, 35,
     17, 44, 32, 61, 50, 84, 18, 90, 37, 63, 9,  48, 67, 13, 97, 64, 36, 28, 47, 58, 25, 72, 14, 88,
     66, 34, 91, 76, 93, 82, 77, 3,  53, 4,  55, 45, 69, 60, 99, 74, 51, 22, 92, 81, 49, 11, 41},
    {28, 90, 9,  79, 70, 56, 71, 81, 29, 75, 60, 18, 49, 3,  98, 17, 0,  58, 40, 27, 10, 88, 61, 24,
     54, 15, 20, 99, 13, 92, 55, 5,  4,  94, 36, 30, 34, 12, 21, 52, 64, 82, 57, 66, 8,  89, 77, 50,
     51, 80, 69, 86, 62, 72, 32, 19, 7,  97, 87, 25, 46, 47, 6,  45, 63, 44, 83, 22, 96, 93, 95, 65,
     33, 41, 67, 73, 11, 43, 53, 38, 37, 85, 35, 91, 1,  48, 42, 14, 84, 76, 68, 39, 59, 2,  74},
    {26, 5,  66, 17, 8,  90, 31, 48, 35, 92, 98, 71, 80, 81, 61, 59, 99, 13, 40, 51, 44, 86, 95, 78,
     11, 70, 27, 89, 39, 2,  58, 6,  18, 36, 9,  53, 21, 54, 73, 47, 96, 25, 1,  34, 3,  82, 19, 79,
     93, 46, 55, 84, 24, 45, 72, 12, 30, 49, 88, 0,  37, 29, 22, 57, 10, 91, 50, 56, 16, 23, 74, 65,
     83, 14, 41, 60, 52, 94, 64, 68, 42, 20, 28, 38, 75, 69, 43, 33, 77, 32, 97, 85, 63, 62, 67},
    {64, 28, 4,  35, 73, 23, 52, 60, 68, 24, 22, 93, 63, 10, 66, 58, 17, 32, 62, 19, 13, 88, 27, 75,
     42, 65, 70, 95, 76, 26, 71, 69, 87, 56, 44, 2,  6,  21, 43, 97, 33, 31, 99, 46, 45, 47, 34, 25,
     90, 7,  40, 55, 20, 53, 96, 51, 80, 54, 84, 8,  67, 78, 61, 49, 39, 12, 86, 11, 16, 1,  92, 82,
     15, 0,  79, 41, 81, 50, 18, 48, 29, 57, 89, 5,  3,  83, 14, 30, 94, 74, 36, 9,  59, 98, 72},
    {54, 23, 99, 34, 5,  82, 3,  84, 45, 65, 20, 58, 60, 97, 63, 51, 18, 6,  66, 28, 4,  53, 62, 76,
     9,  75, 41, 83, 31, 7,  12, 80, 52, 90, 64, 93, 79, 33, 81, 38, 78, 40, 68, 77, 21, 98, 46, 29,
     59, 57, 17, 95, 94, 89, 13, 91, 11, 42, 49, 56, 96, 36, 67, 92, 88, 50, 61, 10, 2,  71, 22, 70,
     15, 37, 85, 0,  47, 74, 27, 35, 73, 8,  1,  39, 24, 14, 32, 72, 25, 30, 69, 16, 43, 26, 48},
    {10, 33, 3,  13, 76, 57, 93, 11, 98, 14, 92, 2,  89, 45, 69, 16, 56, 75, 78, 25, 0,  59, 65, 68,
     67, 60, 70, 28, 85, 71, 48, 9,  83, 35, 72, 87, 62, 6,  24, 43, 37, 31, 79, 96, 97, 61, 1,  82,
     17, 50, 41, 42, 34, 99, 95, 47, 63, 30, 90, 20, 46, 7,  77, 26, 55, 49, 8,  94, 64, 80, 84, 29,
     36, 21, 32, 58, 39, 81, 73, 27, 53, 23, 91, 52, 4,  18, 66, 5,  74, 51, 40, 88, 12, 19, 38},
    {79, 25, 61, 66, 24, 20, 28, 94, 84, 11, 78, 34, 18, 46, 74, 35, 51, 16, 85, 71, 47, 81, 6,  96,
     57, 43, 8,  77, 37, 0,  29, 31, 83, 40, 15, 55, 45, 99, 48, 56, 64, 76, 87, 58, 62, 95, 97, 7,
     30, 63, 14, 93, 88, 68, 80, 39, 69, 54, 92, 49, 53, 5,  26, 19, 50, 59, 89, 65, 32, 90, 2,  67,
     38, 23, 9,  75, 86, 10, 98, 27, 70, 52, 60, 82, 44, 21, 17, 1,  41, 42, 3,  22, 73, 13, 33},
};

const char16_t *const kD1Chars[10] = {
    u"ま15wのSQCbRきltうg92eやjしXさU3ひauせqWけkMこむHr7Bみ8たIに0ENmつくえoPKGぬdおあめちすLyYOも"
    u"6VそふてほvATDなよhね4pxFfiゆzZとかはいsへncJ",
    u"もWlな39Rぬxいやcにsiけ1qfhSき5むFaOeN8さめoこg0うXZあJbKHkちおVIjしつまてMひほmyCBAPDのUuYと"
    u"えみv4QLそふTGよたd6r7zpせ2tすかwnねはへゆくE",
    u"くWMaまほeきwHoRbおねせBEなuにとklpNsnもqへvzf6よQ9やえけAhゆふPcgOCぬうひ142ZXyKSitの0mちG7"
    u"しVむすこj53つDてIめそxかTあrdはいJ8YLFたUさみ",
    u"きZfまとeゆoDたTもXbUgつこdのけねMsえjなuくあみいめyよにOkうzlxhはほ78qYHrJVC4cてひすへちしL0"
    u"2そKiE6PやmnGWふSvBさFか1pおQaぬRむN9IwtA53せ",
    u"5iBはこl2ね9ひQすのよてふあぬSqちCまx8やfとしむDJULRkzにjな0ほ3EYdえきVくた4Ah6ういsせおGXnPN"
    u"MかtgTFもIKyそつvけO1mZめpWbHみゆへa7さucewor",
    u"みSあえNrかUmiさGp2ZひzにFやKdkいなAgしめまつxたPecきXlY6hとす3TQCjuけそVてfはちqtRせMbaへs7"
    u"ふIむWほく9うお81よnJHwLぬ4Oy05DEもBのこvゆねo",
    u"SおbGz4taしlVふまいIgにはつそdけこOkYちcあEみsめひ3やxてへくうw2MなNさAえWQyvUK0ZjもJL7ゆ8fT"
    u"とnかrBFHoたのXせよむほき9RPすuiぬCmhe6pね5D1q",
    u"LZlゆq4かいe2jEPYdQけDま9みほwよたあiCHせTむ0きraJもこくおoてOつひKtとnぬ7えpそyAうちkmなFしB"
    u"uにのやす6はNvWGめcUbV1MSへ8IxねX53fsgふさzRh",
    u"はdき6pPた2oMXHしむKYくWUてまTあgのほvCwかfjちZkalへにuzOtゆみqやぬこめbおよLさと5もうひ7Fす8"
    u"yつciVrh1JQい4なけExesせDAねえn09I3SそRふGNBm",
    u"かsr0SuyつmよそwWXせoえゆはG6TあQさkてし7Hやおz4にこabiまもめへDeZ1nひむC2FYみ93xぬIqMARgたな"
    u"PJjKUhいふBtけすOねのちLNvlとpEほVうd8くきc5f",
};

constexpr int kFirstAscii = 0x20;
constexpr int kAsciiCount = 95;
constexpr int kCodeCount = 100;

// The inverse tables, derived once from the constant data above.
struct Inverses {
    std::array<std::array<signed char, kCodeCount>, kGroups> d2{}; // code -> ASCII offset
    std::array<QString, kGroups> d1;

    Inverses() {
        for (int g = 0; g < kGroups; ++g) {
            d2[g].fill(-1);
            for (int i = 0; i < kAsciiCount; ++i)
                d2[g][kE1Codes[g][i]] = static_cast<signed char>(i);
            d1[g] = QString::fromUtf16(kD1Chars[g]);
        }
    }
};

const Inverses &inverses() {
    static const Inverses inv;
    return inv;
}

bool validGroup(int group) {
    return group >= 0 && group < kGroups;
}

} // namespace

int e1(int group, QChar c) {
    const int u = c.unicode();
    if (!validGroup(group) || u < kFirstAscii || u >= kFirstAscii + kAsciiCount)
        return -1;
    return kE1Codes[group][u - kFirstAscii];
}

QChar d2(int group, int code) {
    if (!validGroup(group) || code < 0 || code >= kCodeCount)
        return QChar();
    const int offset = inverses().d2[group][code];
    return offset < 0 ? QChar() : QChar(kFirstAscii + offset);
}

QChar d1(int group, int code) {
    if (!validGroup(group) || code < 0 || code >= kCodeCount)
        return QChar();
    return inverses().d1[group].at(code);
}

int e2(int group, QChar c) {
    if (!validGroup(group))
        return -1;
    const qsizetype i = inverses().d1[group].indexOf(c);
    return i < 0 ? -1 : static_cast<int>(i);
}

} // namespace kelvoran::codetables
