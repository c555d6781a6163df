// The short texts of assets/show.txt: names, labels, titles and credits by key.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

using ShowTexts = std::map<std::string, std::string>;

// "key = value" lines; '#' starts a comment line. Later keys replace earlier ones.
ShowTexts ParseShowTexts(std::string_view text, std::string& error);

// The keys of show.txt every build needs.
std::vector<std::string> RequiredShowKeys();

// The text of a key; empty when it is missing.
std::string Text(const ShowTexts& texts, const std::string& key);
