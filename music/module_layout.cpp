// What a ProTracker-style module's header says the file holds, against what it holds.
#include "music/module_layout.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t SAMPLE_HEADERS_AT = 20;
constexpr size_t SAMPLE_HEADER_BYTES = 30;
constexpr int32_t SAMPLE_COUNT = 31;
constexpr size_t ORDERS_AT = 952;
constexpr size_t ORDER_SLOTS = 128;
constexpr size_t TAG_AT = 1080;
constexpr size_t PATTERNS_AT = 1084;
constexpr size_t PATTERN_ROWS = 64;
constexpr size_t NOTE_BYTES = 4;

// The channel count a tag at byte 1080 names, or 0 for none known.
int32_t ChannelsOfTag(const uint8_t* tag) {
    const std::string text(reinterpret_cast<const char*>(tag), 4);
    if (text == "M.K." || text == "M!K!" || text == "M&K!" || text == "FLT4" || text == "4CHN") return 4;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (digit(text[0]) && text.substr(1) == "CHN") return text[0] - '0';
    if (digit(text[0]) && digit(text[1]) && (text.substr(2) == "CH" || text.substr(2) == "CN"))
        return (text[0] - '0') * 10 + (text[1] - '0');
    return 0;
}

std::string NumberList(const std::vector<int32_t>& numbers) {
    std::string text;
    for (size_t i = 0; i < numbers.size(); ++i) text += (i == 0 ? "" : ", ") + std::to_string(numbers[i]);
    return text;
}

}  // namespace

std::vector<std::string> ModuleLayoutWarnings(std::span<const uint8_t> bytes) {
    std::vector<std::string> warnings;
    if (bytes.size() < PATTERNS_AT) return warnings;
    const int32_t channels = ChannelsOfTag(&bytes[TAG_AT]);
    if (channels <= 0) return warnings;

    // As the trackers count them: one more than the highest pattern in all 128 order slots.
    const uint8_t* orders = &bytes[ORDERS_AT];
    const size_t patterns = size_t{*std::max_element(orders, orders + ORDER_SLOTS)} + 1;
    const size_t patternBytes = patterns * PATTERN_ROWS * static_cast<size_t>(channels) * NOTE_BYTES;
    size_t at = PATTERNS_AT + patternBytes;
    if (bytes.size() < at) {
        warnings.push_back("the pattern data is cut short: " + std::to_string(bytes.size()) + " of " +
                           std::to_string(at) + " bytes");
    }
    int32_t cut = 0;   // the sample in which the file ends
    std::vector<int32_t> missing;
    for (int32_t sample = 0; sample < SAMPLE_COUNT; ++sample) {
        const uint8_t* header = &bytes[SAMPLE_HEADERS_AT + SAMPLE_HEADER_BYTES * static_cast<size_t>(sample)];
        const size_t length = 2 * (size_t{header[22]} << 8 | header[23]);   // in words, big-endian
        if (length == 0) continue;
        if (bytes.size() <= at)
            missing.push_back(sample + 1);
        else if (bytes.size() < at + length)
            cut = sample + 1;
        at += length;
    }
    if (cut > 0) warnings.push_back("sample " + std::to_string(cut) + " is cut short");
    if (!missing.empty())
        warnings.push_back((missing.size() == 1 ? "sample " : "samples ") + NumberList(missing) + " " +
                           (missing.size() == 1 ? "is" : "are") + " missing: the file ends before " +
                           (missing.size() == 1 ? "it" : "them"));
    return warnings;
}
