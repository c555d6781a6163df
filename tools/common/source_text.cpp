// Words of the tools' text files.
#include "tools/common/source_text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

size_t SkipDigits(std::string_view text, size_t at) {
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at;
}

}  // namespace

// Checked by hand, then read by strtod: the browser build's C++ library has no
// from_chars for doubles. The program never sets a locale, so '.' is the point.
bool ParseWholeDouble(std::string_view text, double* value) {
    size_t at = 0;
    if (at < text.size() && text[at] == '-') ++at;
    size_t digitsStart = at;
    at = SkipDigits(text, at);
    size_t digits = at - digitsStart;
    if (at < text.size() && text[at] == '.') {
        size_t fractionStart = ++at;
        at = SkipDigits(text, at);
        digits += at - fractionStart;
    }
    if (digits == 0) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        size_t exponentStart = at;
        at = SkipDigits(text, at);
        if (at == exponentStart) return false;
    }
    if (at != text.size()) return false;
    std::string copy(text);
    errno = 0;
    double parsed = std::strtod(copy.c_str(), nullptr);
    if (errno == ERANGE || !std::isfinite(parsed)) return false;
    *value = parsed;
    return true;
}

std::vector<std::string_view> SplitWords(std::string_view line, std::string_view separators) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && separators.find(line[i]) != std::string_view::npos) ++i;
        size_t start = i;
        while (i < line.size() && separators.find(line[i]) == std::string_view::npos) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}
