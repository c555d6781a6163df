// Reading the tools' text files line by line and word by word (whole files: platform/files.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

// Takes the next line off `text` (without its line break) and counts it.
inline std::string_view TakeLine(std::string_view& text, int& lineNumber) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++lineNumber;
    return line;
}

// A finite number written as a whole word in decimal ("12", "-0.5", "2.5e3"): false
// for anything else, including "inf", hexadecimal and a leading '+' or space.
bool ParseWholeDouble(std::string_view text, double* value);

// The words of a line between runs of `separators`.
std::vector<std::string_view> SplitWords(std::string_view line, std::string_view separators = " \t");
