// Reading assets/show.txt.
#include "tools/generate/show_texts.h"

#include "show/menu.h"
#include "show/outro.h"
#include "tools/common/source_text.h"

ShowTexts ParseShowTexts(std::string_view text, std::string& error) {
    ShowTexts texts;
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = Trim(TakeLine(text, lineNumber));
        if (line.empty() || line.front() == '#') continue;
        size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            if (error.empty()) error = "line " + std::to_string(lineNumber) + ": expected key = value";
            continue;
        }
        texts[std::string(Trim(line.substr(0, equals)))] = std::string(Trim(line.substr(equals + 1)));
    }
    return texts;
}

std::vector<std::string> RequiredShowKeys() {
    std::vector<std::string> keys = {"party.name", "party.year", "party.web", "party.footer", "intro.top",
                                     "intro.bottom"};
    for (int32_t p = 0; p < MENU_POSITIONS; ++p) keys.push_back("menu." + std::to_string(p));
    for (size_t e = 0; e < MENU_ENTRIES.size(); ++e) keys.push_back("title." + std::to_string(e));
    for (int32_t c = 0; c < OUTRO_CREDIT_STAGES; ++c) {
        keys.push_back("credit." + std::to_string(c) + ".role");
        keys.push_back("credit." + std::to_string(c) + ".name");
    }
    keys.push_back("outro.blink");
    return keys;
}


std::string Text(const ShowTexts& texts, const std::string& key) {
    auto it = texts.find(key);
    return it == texts.end() ? std::string() : it->second;
}

