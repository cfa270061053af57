#include "ui/instructionmanual.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace kelvoran;

namespace {

TEST(ManualHtml, PlacesAreFilledEscapedAndEmptyOnesSaidSo) {
    ManualPlaces places;
    places.settingsFile = QStringLiteral("/home/a&b/.config/Kelvoran/kelvoran.ini");
    places.aliasFile = QStringLiteral("/home/<me>/aliases.ini");
    places.readmeFile = QStringLiteral("/opt/kelvoran/README.md");
    const QString html = manualHtml(
        QStringLiteral("<p>{{SETTINGS_FILE}}|{{ALIAS_FILE}}|{{LOG_FOLDER}}|{{INSTALL_DIR}}|"
                       "{{README_FILE}}|{{SETTINGS_FILE}}</p>"),
        places);
    EXPECT_EQ(html, QStringLiteral("<p>/home/a&amp;b/.config/Kelvoran/kelvoran.ini|"
                                   "/home/&lt;me&gt;/aliases.ini|（未設定）|（未設定）|"
                                   "/opt/kelvoran/README.md|"
                                   "/home/a&amp;b/.config/Kelvoran/kelvoran.ini</p>"));
}

struct LinkCase {
    const char *name;
    const char *href;
    bool readme;
    const char *file;
    const char *anchor;
};

// Test names show the case, not its bytes.
void PrintTo(const LinkCase &c, std::ostream *out) {
    *out << c.href;
}

class ReadmeLinks : public testing::TestWithParam<LinkCase> {};

TEST_P(ReadmeLinks, FileAndAnchorAreSplitAtTheHash) {
    const LinkCase &c = GetParam();
    EXPECT_EQ(isReadmeLink(QString::fromUtf8(c.href)), c.readme);
    const ReadmeLink link = splitReadmeLink(QString::fromUtf8(c.href));
    EXPECT_EQ(link.file, QString::fromUtf8(c.file));
    EXPECT_EQ(link.anchor, QString::fromUtf8(c.anchor));
}

INSTANTIATE_TEST_SUITE_P(
    Hrefs, ReadmeLinks,
    testing::Values(LinkCase{"Section", "README.md#csv-files", true, "README.md", "csv-files"},
                    LinkCase{"LowerCaseFile", "readme.md#set-up", true, "readme.md", "set-up"},
                    LinkCase{"WholeFile", "README.md", true, "README.md", ""},
                    LinkCase{"OtherFolder", "docs/README.md#x", false, "docs/README.md", "x"},
                    LinkCase{"InPage", "#shortcuts", false, "", "shortcuts"},
                    LinkCase{"Web", "https://example.org/README.md#a", false,
                             "https://example.org/README.md", "a"}),
    [](const testing::TestParamInfo<LinkCase> &p) { return std::string(p.param.name); });

struct AnchorCase {
    const char *name;
    const char *heading;
    const char *anchor;
};

// Test names show the case, not its bytes.
void PrintTo(const AnchorCase &c, std::ostream *out) {
    *out << c.heading;
}

class HeadingAnchors : public testing::TestWithParam<AnchorCase> {};

TEST_P(HeadingAnchors, PunctuationGoesAndBlanksBecomeHyphens) {
    EXPECT_EQ(headingAnchor(QString::fromUtf8(GetParam().heading)),
              QString::fromUtf8(GetParam().anchor));
}

INSTANTIATE_TEST_SUITE_P(
    Headings, HeadingAnchors,
    testing::Values(AnchorCase{"Hyphen", "Set-up", "set-up"},
                    AnchorCase{"UpperCase", "CSV files", "csv-files"},
                    AnchorCase{"Blanks", "Where settings live", "where-settings-live"},
                    AnchorCase{"Punctuation", "`kelvoran-batch` (v2)!", "kelvoran-batch-v2"},
                    AnchorCase{"TwoBlanks", "Two  blanks", "two--blanks"},
                    AnchorCase{"Japanese", "設定ファイル・ログ", "設定ファイルログ"},
                    AnchorCase{"Underscore", "snake_case", "snake_case"}),
    [](const testing::TestParamInfo<AnchorCase> &p) { return std::string(p.param.name); });

TEST(MarkdownHeadings, AnchorFindsItsHeadingOutsideCode) {
    const QString markdown = QStringLiteral("# Kelvoran\r\n"
                                            "\r\n"
                                            "## Where settings live ##\r\n"
                                            "text\n"
                                            "```sh\n"
                                            "## Not a heading\n"
                                            "```\n"
                                            "    ## Indented code\n"
                                            "#Nohash\n"
                                            "### CSV files\n");
    struct Case {
        const char *anchor;
        const char *heading;
    };
    const Case cases[] = {
        {"kelvoran", "Kelvoran"},
        {"where-settings-live", "Where settings live"},
        {"csv-files", "CSV files"},
        {"not-a-heading", ""},
        {"indented-code", ""},
        {"nohash", ""},
        {"", ""},
        {"missing", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(markdownHeadingForAnchor(markdown, QString::fromUtf8(c.anchor)),
                  QString::fromUtf8(c.heading))
            << c.anchor;
}

} // namespace
