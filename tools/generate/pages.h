// The text pages: a light markup read from UTF-8 text, laid out in lines.
//
//   # Heading            the page's title
//   ## Subheading        a bold line in the accent colour
//   - item               a bullet, wrapped with a hanging indent; an indented
//                        line below continues it
//   Term :: value        a bold term with its value beside it; the values of
//                        a list of terms share one column
//   anything else        running text; unindented lines join until a blank
//                        line or another kind of line
//   % comment            ignored
//
// Body lines stand at one pitch; the gaps between blocks depend only on the
// kinds of block they separate. A web or mail address is never broken.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

enum class PageBlockKind { HEADING, SUBHEADING, PARAGRAPH, BULLET, TERM, GAP };

struct PageBlock {
    PageBlockKind kind;
    std::string text;    // the term for TERM
    std::string value;   // TERM only
    int sourceLine;      // 1-based, for messages
};

std::vector<PageBlock> ParsePage(std::string_view text);

enum class LineRole { HEADING, SUBHEADING, BODY, BULLET, TERM, VALUE };

struct PageLine {
    LineRole role;
    std::string text;
    double x;          // screen pixels from the left edge of the text column
    double baseline;   // screen pixels from the top of the text column
    bool bulletMark;   // the first line of a bullet carries the mark
};

// Width of a line of text in a role, in screen pixels.
using MeasureLine = std::function<double(LineRole role, std::string_view text)>;

struct PageMetrics {
    double width;    // of the text column
    double height;   // room from the top of the column to the last baseline
};

// Baseline to baseline within a paragraph or a list, in screen pixels.
constexpr double PAGE_LINE_PITCH = 15;

struct PageLayout {
    std::vector<PageLine> lines;
    double bottom = 0;    // baseline of the last line
    std::string error;    // empty when the page fits and every address has a line of its own room
};

PageLayout LayoutPage(const std::vector<PageBlock>& blocks, const MeasureLine& measure, const PageMetrics& metrics);

// A web or mail address (an at sign, or a dot between a letter or digit and a
// letter): never cut.
bool IsAddress(std::string_view word);

// Greedy word wrap of running text into lines no wider than `width`. A word too
// long for a line of its own is cut, after its last dot, hyphen, slash or at
// sign that fits; an address is not, and stands alone on a line too wide.
std::vector<std::string> WrapText(std::string_view text, double width,
                                  const std::function<double(std::string_view)>& measure);
