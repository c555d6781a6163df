// What a ProTracker-style module's header says the file holds, against what it holds:
// the player loads a file cut short without a word, so this tells of it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Empty for a file that holds everything its header describes, and for files
// without a 31-sample module's tag at byte 1080 (other formats are not judged);
// otherwise one line for what is cut short and one for what is missing.
std::vector<std::string> ModuleLayoutWarnings(std::span<const uint8_t> bytes);
