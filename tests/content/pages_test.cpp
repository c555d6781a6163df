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
        "A line after the list\n"
        "  starts a paragraph.\n"
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
        {PageBlockKind::PARAGRAPH, "A line after the list starts a paragraph.", "", 11},
        {PageBlockKind::TERM, "When", "Friday 23 July", 13},
    };
    ASSERT_EQ(blocks.size(), std::size(expected));
    for (size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(blocks[i].kind, expected[i].kind) << i;
        EXPECT_EQ(blocks[i].text, expected[i].text) << i;
        EXPECT_EQ(blocks[i].value, expected[i].value) << i;
        EXPECT_EQ(blocks[i].sourceLine, expected[i].line) << i;
    }
}

TEST(PageMarkup, WrapsAtWordsAndCutsWordsTooLongForALineButNoAddress) {
    auto measure = [](std::string_view s) { return Chars(s); };
    const struct {
        const char* text;
        double width;
        std::vector<std::string> lines;
    } cases[] = {
        {"aaa bbb ccc", 42, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", 66, {"aaa bbb ccc"}},
        {"  spaced   out  ", 60, {"spaced out"}},
        // An address never breaks: it moves to the next line whole, or stands too wide alone.
        {"web: nightshift-2027.party.example", 180, {"web:", "nightshift-2027.party.example"}},
        {"nightshift-2027.party.example", 60, {"nightshift-2027.party.example"}},
        {"mail orga@night.example now", 60, {"mail", "orga@night.example", "now"}},
        {"sub-sub-sub-division", 60, {"sub-sub-", "sub-", "division"}},
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

TEST(PageMarkup, AddressesAreWordsWithAnAtSignOrADotBeforeALetter) {
    for (const char* word : {"nightshift-2027.party.example", "orga@x", "chat.party.example.", "e.g."})
        EXPECT_TRUE(IsAddress(word)) << word;
    for (const char* word : {"end.", "18.00", "...", ".example", "word"}) EXPECT_FALSE(IsAddress(word)) << word;
}

namespace {

std::vector<double> Baselines(const PageLayout& layout, LineRole role) {
    std::vector<double> out;
    for (const PageLine& line : layout.lines)
        if (line.role == role) out.push_back(line.baseline);
    return out;
}

}  // namespace

TEST(PageLayout, LinesOfAParagraphAndOfAListStandAtOnePitch) {
    auto blocks = ParsePage("# T\n"
                            "one two three four five six seven eight nine ten eleven twelve thirteen\n"
                            "- alpha beta gamma delta epsilon\n"
                            "- zeta\n"
                            "- eta theta iota kappa lambda\n");
    PageLayout layout = LayoutPage(blocks, Fixed(), {120, 400});
    ASSERT_TRUE(layout.error.empty()) << layout.error;
    for (LineRole role : {LineRole::BODY, LineRole::BULLET}) {
        std::vector<double> y = Baselines(layout, role);
        ASSERT_GE(y.size(), 4u);
        for (size_t i = 1; i < y.size(); ++i) EXPECT_EQ(y[i] - y[i - 1], PAGE_LINE_PITCH) << i;
    }
}

TEST(PageLayout, GapsDependOnlyOnTheKindsOfBlockAround) {
    // The same pairs of blocks, written with and without blank lines, in two places of a page.
    auto layout = [](const char* text) { return LayoutPage(ParsePage(text), Fixed(), {300, 600}); };
    PageLayout tight = layout("# T\ntext\n- item\nmore text\n## S\ntext\n- item\nmore text\n");
    PageLayout loose = layout("# T\ntext\n\n- item\n\nmore text\n\n## S\n\ntext\n\n- item\n\nmore text\n");
    ASSERT_EQ(tight.lines.size(), 8u);
    ASSERT_EQ(loose.lines.size(), 8u);
    std::vector<double> steps;
    for (size_t i = 1; i < tight.lines.size(); ++i) {
        steps.push_back(tight.lines[i].baseline - tight.lines[i - 1].baseline);
        EXPECT_EQ(steps.back(), loose.lines[i].baseline - loose.lines[i - 1].baseline) << i;
    }
    // paragraph -> list and list -> paragraph: one gap, the same both ways and in both sections.
    EXPECT_EQ(steps[1], steps[2]);
    EXPECT_EQ(steps[1], steps[5]);
    EXPECT_EQ(steps[2], steps[6]);
    EXPECT_GT(steps[1], PAGE_LINE_PITCH);
}

TEST(PageLayout, AParagraphAfterAListIsNoPartOfItsLastItem) {
    PageLayout layout = LayoutPage(ParsePage("- one\n- two\nBook early.\n"), Fixed(), {300, 400});
    ASSERT_EQ(layout.lines.size(), 3u);
    EXPECT_EQ(layout.lines[1].text, "two");
    EXPECT_EQ(layout.lines[2].role, LineRole::BODY);
    EXPECT_EQ(layout.lines[2].text, "Book early.");
    EXPECT_EQ(layout.lines[2].x, 0);
    EXPECT_GT(layout.lines[2].baseline - layout.lines[1].baseline, PAGE_LINE_PITCH);
}

TEST(PageLayout, ValuesOfATermListShareOneColumn) {
    auto blocks = ParsePage("When :: a\nWhere :: b c d e f g h i j k l m n o p q r s t u v w\nIn advance :: x\n"
                            "Web :: y\n\nA :: short list\nB :: again\n");
    PageLayout layout = LayoutPage(blocks, Fixed(), {220, 400});
    ASSERT_TRUE(layout.error.empty()) << layout.error;
    std::vector<double> first, second;
    bool secondList = false;
    for (const PageLine& line : layout.lines) {
        secondList = secondList || line.text == "A";
        if (line.role == LineRole::VALUE) (secondList ? second : first).push_back(line.x);
    }
    ASSERT_EQ(first.size(), 5u);   // the long value wraps once in its column
    for (double x : first) EXPECT_EQ(x, first[0]);
    EXPECT_GT(first[0], Chars("In advance"));   // the widest term of the list sets it
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0], second[1]);
    EXPECT_LT(second[0], first[0]);   // another list has a column of its own
}

TEST(PageLayout, AnAddressTooWideForItsLineStopsTheBuildAndNamesIt) {
    PageLayout layout = LayoutPage(ParsePage("# T\n\nWeb :: nightshift-2027.party.example\n"), Fixed(), {200, 400});
    EXPECT_NE(layout.error.find("nightshift-2027.party.example on line 3"), std::string::npos) << layout.error;
    PageLayout fits = LayoutPage(ParsePage("# T\n\nSee nightshift-2027.party.example\n"), Fixed(), {190, 400});
    EXPECT_TRUE(fits.error.empty()) << fits.error;
    ASSERT_EQ(fits.lines.size(), 3u);
    EXPECT_EQ(fits.lines[2].text, "nightshift-2027.party.example");
}
