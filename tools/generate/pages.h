// The text pages: a light markup read from UTF-8 text, laid out in lines.
//
//   # Heading            the page's title
//   ## Subheading        a bold line in the accent colour
//   - item               a bullet, wrapped with a hanging indent
//   Term :: value        a bold term with its value beside it
//   anything else        running text; lines join until a blank line
//   % comment            ignored
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

// Moves a baseline down to the nearest place where a line of the role may stand.
using SettleLine = std::function<double(LineRole role, double baseline)>;

struct PageMetrics {
    double width;    // of the text column
    double height;   // room from the top of the column to the last baseline
    SettleLine settle = nullptr;   // none: every baseline will do
};

struct PageLayout {
    std::vector<PageLine> lines;
    double bottom = 0;    // baseline of the last line
    std::string error;    // empty when the page fits
};

PageLayout LayoutPage(const std::vector<PageBlock>& blocks, const MeasureLine& measure, const PageMetrics& metrics);

// Greedy word wrap of running text into lines no wider than `width`; a word too
// long for a line of its own is cut.
std::vector<std::string> WrapText(std::string_view text, double width,
                                  const std::function<double(std::string_view)>& measure);
