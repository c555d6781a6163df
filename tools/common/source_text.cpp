// Words of the tools' text files.
#include "tools/common/source_text.h"


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
