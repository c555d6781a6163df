// Reading the page markup and laying the pages out in lines.
#include "tools/generate/pages.h"

#include "tools/common/source_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// Vertical rhythm of a page: the advance from the last baseline of one block to
// the first of the next, in screen pixels, by the kinds of the two.
constexpr double HEADING_ASCENT = 20;       // to a heading at the top of the page
constexpr double FIRST_ASCENT = 12;         // to any other first line
constexpr double AFTER_HEADING = 27;
constexpr double BEFORE_HEADING = 32;
constexpr double BEFORE_SUBHEADING = 26;
constexpr double AFTER_SUBHEADING = 17;
constexpr double PARAGRAPH_GAP = 7;         // added to the pitch between other blocks
constexpr double BULLET_INDENT = 12;
constexpr double TERM_COLUMN = 50;          // the least room for the terms of a list
constexpr double TERM_GAP = 6;

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.substr(0, prefix.size()) == prefix;
}

// Byte length of the UTF-8 character starting at `at`.
size_t CharLength(std::string_view s, size_t at) {
    auto byte = static_cast<unsigned char>(s[at]);
    size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 1;
    return std::min(length, s.size() - at);
}

bool IsListItem(PageBlockKind kind) { return kind == PageBlockKind::BULLET || kind == PageBlockKind::TERM; }

double AdvanceBetween(const PageBlock* previous, const PageBlock& next, bool blankBetween) {
    if (!previous) return next.kind == PageBlockKind::HEADING ? HEADING_ASCENT : FIRST_ASCENT;
    if (previous->kind == PageBlockKind::HEADING) return AFTER_HEADING;
    if (next.kind == PageBlockKind::HEADING) return BEFORE_HEADING;
    if (next.kind == PageBlockKind::SUBHEADING) return BEFORE_SUBHEADING;
    if (previous->kind == PageBlockKind::SUBHEADING) return AFTER_SUBHEADING;
    if (previous->kind == next.kind && IsListItem(next.kind) && !blankBetween) return PAGE_LINE_PITCH;
    return PAGE_LINE_PITCH + PARAGRAPH_GAP;
}

}  // namespace

std::vector<PageBlock> ParsePage(std::string_view text) {
    std::vector<PageBlock> blocks;
    // What an unmarked line continues: nothing, a paragraph, or (indented only) a bullet.
    enum class Open { NOTHING, PARAGRAPH, BULLET } open = Open::NOTHING;
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view raw = TakeLine(text, lineNumber);
        std::string_view line = Trim(raw);
        bool indented = !raw.empty() && (raw.front() == ' ' || raw.front() == '\t');
        if (StartsWith(line, "%")) continue;
        if (line.empty()) {
            if (!blocks.empty() && blocks.back().kind != PageBlockKind::GAP)
                blocks.push_back({PageBlockKind::GAP, "", "", lineNumber});
            open = Open::NOTHING;
            continue;
        }
        if (StartsWith(line, "## ")) {
            blocks.push_back({PageBlockKind::SUBHEADING, std::string(Trim(line.substr(3))), "", lineNumber});
            open = Open::NOTHING;
        } else if (StartsWith(line, "# ")) {
            blocks.push_back({PageBlockKind::HEADING, std::string(Trim(line.substr(2))), "", lineNumber});
            open = Open::NOTHING;
        } else if (StartsWith(line, "- ")) {
            blocks.push_back({PageBlockKind::BULLET, std::string(Trim(line.substr(2))), "", lineNumber});
            open = Open::BULLET;
        } else if (size_t split = line.find(" :: "); split != std::string_view::npos) {
            blocks.push_back({PageBlockKind::TERM, std::string(Trim(line.substr(0, split))),
                              std::string(Trim(line.substr(split + 4))), lineNumber});
            open = Open::NOTHING;
        } else if (open == Open::PARAGRAPH || (open == Open::BULLET && indented)) {
            blocks.back().text += ' ';
            blocks.back().text += line;
        } else {
            blocks.push_back({PageBlockKind::PARAGRAPH, std::string(line), "", lineNumber});
            open = Open::PARAGRAPH;
        }
    }
    while (!blocks.empty() && blocks.back().kind == PageBlockKind::GAP) blocks.pop_back();
    return blocks;
}

bool IsAddress(std::string_view word) {
    if (word.find('@') != std::string_view::npos) return true;
    auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    auto alpha = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    for (size_t i = 1; i + 1 < word.size(); ++i)
        if (word[i] == '.' && alnum(word[i - 1]) && alpha(word[i + 1])) return true;
    return false;
}

std::vector<std::string> WrapText(std::string_view text, double width,
                                  const std::function<double(std::string_view)>& measure) {
    std::vector<std::string> lines;
    std::string current;
    auto flush = [&] {
        if (!current.empty()) lines.push_back(current);
        current.clear();
    };
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && text[at] == ' ') ++at;
        if (at >= text.size()) break;
        size_t end = text.find(' ', at);
        std::string_view word = text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
        at = end == std::string_view::npos ? text.size() : end;
        std::string candidate = current.empty() ? std::string(word) : current + " " + std::string(word);
        if (measure(candidate) <= width) {
            current = candidate;
            continue;
        }
        flush();
        // A word wider than the whole line is cut where it no longer fits, after
        // its last dot, hyphen, slash or at sign that fits if it has one.
        while (!IsAddress(word) && measure(word) > width) {
            size_t cut = 0;
            while (cut < word.size()) {
                size_t next = cut + CharLength(word, cut);
                if (measure(word.substr(0, next)) > width) break;
                cut = next;
            }
            size_t joint = word.substr(0, cut).find_last_of(".-/@");
            if (joint != std::string_view::npos && joint > 0) cut = joint + 1;
            if (cut == 0) cut = CharLength(word, 0);
            lines.emplace_back(word.substr(0, cut));
            word.remove_prefix(cut);
        }
        current = std::string(word);
    }
    flush();
    return lines;
}

PageLayout LayoutPage(const std::vector<PageBlock>& blocks, const MeasureLine& measure, const PageMetrics& metrics) {
    PageLayout layout;
    double y = 0;   // baseline of the last line placed
    int firstOver = 0;
    std::string tooWide;
    // Wraps a block's text into its room and places the lines one pitch apart,
    // the first at `first`.
    auto place = [&](LineRole role, std::string_view text, double x, double room, double first, bool bullet,
                     int sourceLine) {
        bool firstLine = true;
        for (std::string& line : WrapText(text, room, [&](std::string_view s) { return measure(role, s); })) {
            if (tooWide.empty() && measure(role, line) > room)
                tooWide = "the address " + line + " on line " + std::to_string(sourceLine) + " is " +
                          std::to_string(static_cast<int>(std::ceil(measure(role, line)))) +
                          " pixels wide, its line has room for " + std::to_string(static_cast<int>(room)) +
                          "; reword the line or write the address where it has more room";
            y = firstLine ? first : y + PAGE_LINE_PITCH;
            layout.lines.push_back({role, std::move(line), x, y, bullet && firstLine});
            firstLine = false;
        }
    };
    const PageBlock* previous = nullptr;
    bool blankBetween = false;
    double termColumn = TERM_COLUMN;
    for (size_t i = 0; i < blocks.size(); ++i) {
        const PageBlock& block = blocks[i];
        if (block.kind == PageBlockKind::GAP) {
            blankBetween = true;
            continue;
        }
        double first = y + AdvanceBetween(previous, block, blankBetween);
        switch (block.kind) {
        case PageBlockKind::HEADING:
            place(LineRole::HEADING, block.text, 0, metrics.width, first, false, block.sourceLine);
            break;
        case PageBlockKind::SUBHEADING:
            place(LineRole::SUBHEADING, block.text, 0, metrics.width, first, false, block.sourceLine);
            break;
        case PageBlockKind::PARAGRAPH:
            place(LineRole::BODY, block.text, 0, metrics.width, first, false, block.sourceLine);
            break;
        case PageBlockKind::BULLET:
            place(LineRole::BULLET, block.text, BULLET_INDENT, metrics.width - BULLET_INDENT, first, true,
                  block.sourceLine);
            break;
        case PageBlockKind::TERM: {
            // The first term of a list sets the value column for all of them.
            if (!previous || previous->kind != PageBlockKind::TERM || blankBetween) {
                termColumn = TERM_COLUMN;
                for (size_t j = i; j < blocks.size() && blocks[j].kind == PageBlockKind::TERM; ++j)
                    termColumn = std::max(termColumn, measure(LineRole::TERM, blocks[j].text) + TERM_GAP);
            }
            place(LineRole::TERM, block.text, 0, termColumn - TERM_GAP, first, false, block.sourceLine);
            place(LineRole::VALUE, block.value, termColumn, metrics.width - termColumn, first, false,
                  block.sourceLine);
            break;
        }
        case PageBlockKind::GAP: break;
        }
        previous = &block;
        blankBetween = false;
        if (y > metrics.height && firstOver == 0) firstOver = block.sourceLine;
    }
    layout.bottom = y;
    if (!tooWide.empty())
        layout.error = tooWide;
    else if (firstOver)
        layout.error = "the text from line " + std::to_string(firstOver) + " on runs " +
                       std::to_string(static_cast<int>(std::ceil(y - metrics.height))) +
                       " pixels past the bottom of the page; shorten the page";
    return layout;
}
