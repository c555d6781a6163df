// Page markup and layout, with a fixed-width measure instead of a font.
#include "tools/generate/pages.h"

#include <gtest/gtest.h>

namespace {

double Chars(std::string_view s) {
    return 6.0 * static_cast<double>(s.size());
}

MeasureLine Fixed() {
    return [](LineRole, std::string_view s) { return Chars(s); };
}

}  // namespace

TEST(PageMarkup, ReadsEveryKindOfLine) {
    auto blocks = ParsePage(
        "# Title\n"
        "% a note for the editor\n"
        "First line of running text\n"
        "  joins the second.\n"
        "\n\n"
        "## Sub\n"
        "- one\n"
        "  more of one\n"
        "- two\n"
        "When :: Friday 23 July\r\n"
        "\n");
    struct Expected {
        PageBlockKind kind;
        const char* text;
        const char* value;
        int line;
    };
    const Expected expected[] = {
        {PageBlockKind::HEADING, "Title", "", 1},
        {PageBlockKind::PARAGRAPH, "First line of running text joins the second.", "", 3},
        {PageBlockKind::GAP, "", "", 5},
        {PageBlockKind::SUBHEADING, "Sub", "", 7},
        {PageBlockKind::BULLET, "one more of one", "", 8},
        {PageBlockKind::BULLET, "two", "", 10},
        {PageBlockKind::TERM, "When", "Friday 23 July", 11},
    };
    ASSERT_EQ(blocks.size(), std::size(expected));
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].kind, expected[i].kind) << i;
        EXPECT_EQ(blocks[i].text, expected[i].text) << i;
        EXPECT_EQ(blocks[i].value, expected[i].value) << i;
        EXPECT_EQ(blocks[i].sourceLine, expected[i].line) << i;
    }
}

TEST(PageMarkup, WrapsAtWordsAndCutsWordsTooLongForALine) {
    auto measure = [](std::string_view s) { return Chars(s); };
    const struct {
        const char* text;
        double width;
        std::vector<std::string> lines;
    } cases[] = {
        {"aaa bbb ccc", 42, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", 66, {"aaa bbb ccc"}},
        {"  spaced   out  ", 60, {"spaced out"}},
        {"nightshift-2027.party.example", 60, {"nightshift", "-2027.", "party.", "example"}},
        {"nightshift-2027.party.example", 102, {"nightshift-2027.", "party.example"}},
        {"abcdefghijklmnop", 60, {"abcdefghij", "klmnop"}},
        {"é é é", 18, {"é", "é", "é"}},   // two bytes each: a character is never split
        {"", 60, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(WrapText(c.text, c.width, measure), c.lines) << c.text;
}

TEST(PageLayout, PlacesTermsBulletsAndReportsAnOverflowingLine) {
    auto blocks = ParsePage("# T\nWhen :: a b c d e f g h\n- item\n");
    PageLayout layout = LayoutPage(blocks, Fixed(), {120, 400});
    ASSERT_TRUE(layout.error.empty()) << layout.error;
    // The value starts beside its term on the term's baseline and wraps in its own column.
    ASSERT_GE(layout.lines.size(), 4u);
    EXPECT_EQ(layout.lines[1].role, LineRole::TERM);
    EXPECT_EQ(layout.lines[2].role, LineRole::VALUE);
    EXPECT_EQ(layout.lines[2].baseline, layout.lines[1].baseline);
    EXPECT_GT(layout.lines[2].x, 0);
    EXPECT_GT(layout.lines[3].baseline, layout.lines[2].baseline);
    EXPECT_EQ(layout.lines.back().role, LineRole::BULLET);
    EXPECT_TRUE(layout.lines.back().bulletMark);

    std::string longPage = "# Long\n";
    for (int i = 0; i < 40; ++i) longPage += "line " + std::to_string(i) + "\n\n";
    PageLayout over = LayoutPage(ParsePage(longPage), Fixed(), {200, 300});
    EXPECT_NE(over.error.find("past the bottom"), std::string::npos);
    EXPECT_NE(over.error.find("from line"), std::string::npos);
    EXPECT_GT(over.bottom, 300);
}
