// Reading the page markup and laying the pages out in lines.
#include "tools/generate/pages.h"

#include "tools/common/source_text.h"

#include <algorithm>
#include <cmath>

namespace {

// Vertical rhythm of a page, in screen pixels.
constexpr double HEADING_ASCENT = 20;
constexpr double HEADING_AFTER = 12;
constexpr double SUBHEADING_BEFORE = 8;
constexpr double SUBHEADING_ADVANCE = 17;
constexpr double BODY_ADVANCE = 15;
constexpr double GAP_ADVANCE = 7;
constexpr double BULLET_INDENT = 12;
constexpr double TERM_COLUMN = 50;
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

}  // namespace

std::vector<PageBlock> ParsePage(std::string_view text) {
    std::vector<PageBlock> blocks;
    bool inParagraph = false;
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = Trim(TakeLine(text, lineNumber));
        if (StartsWith(line, "%")) continue;
        if (line.empty()) {
            if (!blocks.empty() && blocks.back().kind != PageBlockKind::GAP)
                blocks.push_back({PageBlockKind::GAP, "", "", lineNumber});
            inParagraph = false;
            continue;
        }
        if (StartsWith(line, "## ")) {
            blocks.push_back({PageBlockKind::SUBHEADING, std::string(Trim(line.substr(3))), "", lineNumber});
            inParagraph = false;
        } else if (StartsWith(line, "# ")) {
            blocks.push_back({PageBlockKind::HEADING, std::string(Trim(line.substr(2))), "", lineNumber});
            inParagraph = false;
        } else if (StartsWith(line, "- ")) {
            blocks.push_back({PageBlockKind::BULLET, std::string(Trim(line.substr(2))), "", lineNumber});
            inParagraph = true;   // an indented follow-on line continues the bullet
        } else if (size_t split = line.find(" :: "); split != std::string_view::npos) {
            blocks.push_back({PageBlockKind::TERM, std::string(Trim(line.substr(0, split))),
                              std::string(Trim(line.substr(split + 4))), lineNumber});
            inParagraph = false;
        } else if (inParagraph) {
            blocks.back().text += ' ';
            blocks.back().text += line;
        } else {
            blocks.push_back({PageBlockKind::PARAGRAPH, std::string(line), "", lineNumber});
            inParagraph = true;
        }
    }
    while (!blocks.empty() && blocks.back().kind == PageBlockKind::GAP) blocks.pop_back();
    return blocks;
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
        // its last dot, hyphen, slash or at sign that fits if it has one, so an
        // address breaks between its parts.
        while (measure(word) > width) {
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
    bool first = true;
    auto place = [&](LineRole role, std::string text, double x, double advance, bool mark) {
        y += first && role != LineRole::HEADING ? BODY_ADVANCE - 3 : advance;
        if (metrics.settle) y = metrics.settle(role, y);
        first = false;
        layout.lines.push_back({role, std::move(text), x, y, mark});
    };
    auto wrapIn = [&](LineRole role, std::string_view text, double width) {
        return WrapText(text, width, [&](std::string_view s) { return measure(role, s); });
    };
    for (const PageBlock& block : blocks) {
        switch (block.kind) {
        case PageBlockKind::HEADING:
            for (auto& line : wrapIn(LineRole::HEADING, block.text, metrics.width))
                place(LineRole::HEADING, line, 0, first ? HEADING_ASCENT : HEADING_ASCENT + 6, false);
            y += HEADING_AFTER;
            break;
        case PageBlockKind::SUBHEADING:
            if (!first) y += SUBHEADING_BEFORE;
            for (auto& line : wrapIn(LineRole::SUBHEADING, block.text, metrics.width))
                place(LineRole::SUBHEADING, line, 0, SUBHEADING_ADVANCE, false);
            break;
        case PageBlockKind::PARAGRAPH:
            for (auto& line : wrapIn(LineRole::BODY, block.text, metrics.width))
                place(LineRole::BODY, line, 0, BODY_ADVANCE, false);
            break;
        case PageBlockKind::BULLET: {
            bool mark = true;
            for (auto& line : wrapIn(LineRole::BULLET, block.text, metrics.width - BULLET_INDENT)) {
                place(LineRole::BULLET, line, BULLET_INDENT, BODY_ADVANCE, mark);
                mark = false;
            }
            break;
        }
        case PageBlockKind::TERM: {
            double termWidth = measure(LineRole::TERM, block.text);
            double column = std::max(TERM_COLUMN, termWidth + TERM_GAP);
            place(LineRole::TERM, block.text, 0, BODY_ADVANCE, false);
            double termBaseline = y;
            bool firstValue = true;
            for (auto& line : wrapIn(LineRole::VALUE, block.value, metrics.width - column)) {
                if (firstValue) {
                    layout.lines.push_back({LineRole::VALUE, line, column, termBaseline, false});
                    firstValue = false;
                } else {
                    place(LineRole::VALUE, line, column, BODY_ADVANCE, false);
                }
            }
            break;
        }
        case PageBlockKind::GAP:
            y += GAP_ADVANCE;
            break;
        }
        if (y > metrics.height && firstOver == 0) firstOver = block.sourceLine;
    }
    layout.bottom = y;
    if (firstOver)
        layout.error = "the text from line " + std::to_string(firstOver) + " on runs " +
                       std::to_string(static_cast<int>(std::ceil(y - metrics.height))) +
                       " pixels past the bottom of the page; shorten the page";
    return layout;
}
