// A four-channel ProTracker module made in memory, small enough to reason
// about row by row: one looped square-wave sample, patterns of 64 rows.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

struct TinyCell {
    int32_t sample = 0;    // 1 for the square wave, 0 for none
    int32_t period = 0;    // Amiga period, 0 for no note (428 is C-2)
    uint8_t effect = 0;    // 0x0 to 0xF, as the tracker shows it
    uint8_t parameter = 0;
};

constexpr int32_t TINY_ROWS = 64;
constexpr int32_t TINY_CHANNELS = 4;
constexpr int32_t TINY_C2 = 428;

struct TinyMod {
    std::vector<uint8_t> orders{0};
    std::vector<std::array<TinyCell, TINY_ROWS * TINY_CHANNELS>> patterns{1};

    TinyCell& Cell(int32_t pattern, int32_t row, int32_t channel) {
        if (patterns.size() <= static_cast<size_t>(pattern)) patterns.resize(pattern + 1);
        return patterns[pattern][row * TINY_CHANNELS + channel];
    }
    // A note of the square wave on channel `channel` at every pattern's row 0.
    void NoteAtEveryPatternStart(int32_t channel) {
        for (size_t pattern = 0; pattern < patterns.size(); ++pattern)
            Cell(static_cast<int32_t>(pattern), 0, channel) = {1, TINY_C2, 0, 0};
    }
};

inline std::vector<uint8_t> BuildTinyMod(const TinyMod& mod) {
    constexpr int32_t SAMPLE_WORDS = 32;
    std::vector<uint8_t> bytes(20, 0);
    std::string title = "tiny test";
    std::copy(title.begin(), title.end(), bytes.begin());
    for (int32_t sample = 0; sample < 31; ++sample) {
        std::array<uint8_t, 30> header{};
        if (sample == 0) {
            header[22] = 0;
            header[23] = SAMPLE_WORDS;   // length in words
            header[24] = 0;              // finetune
            header[25] = 64;             // volume
            header[26] = 0;
            header[27] = 0;              // loop start
            header[28] = 0;
            header[29] = SAMPLE_WORDS;   // loop length
        } else {
            header[29] = 1;
        }
        bytes.insert(bytes.end(), header.begin(), header.end());
    }
    bytes.push_back(static_cast<uint8_t>(mod.orders.size()));
    bytes.push_back(127);   // as ProTracker writes it
    std::array<uint8_t, 128> orderTable{};
    std::copy(mod.orders.begin(), mod.orders.end(), orderTable.begin());
    bytes.insert(bytes.end(), orderTable.begin(), orderTable.end());
    for (char c : std::string("M.K.")) bytes.push_back(static_cast<uint8_t>(c));
    // Patterns up to the highest the order list names, no more: libopenmpt
    // tells the channel count partly from the file's size.
    size_t patternCount = 0;
    for (uint8_t order : mod.orders) patternCount = std::max<size_t>(patternCount, order + 1u);
    for (size_t pattern = 0; pattern < patternCount; ++pattern) {
        for (int32_t cell = 0; cell < TINY_ROWS * TINY_CHANNELS; ++cell) {
            TinyCell c = pattern < mod.patterns.size() ? mod.patterns[pattern][cell] : TinyCell{};
            bytes.push_back(static_cast<uint8_t>((c.sample & 0xF0) | ((c.period >> 8) & 0x0F)));
            bytes.push_back(static_cast<uint8_t>(c.period & 0xFF));
            bytes.push_back(static_cast<uint8_t>(((c.sample & 0x0F) << 4) | (c.effect & 0x0F)));
            bytes.push_back(c.parameter);
        }
    }
    for (int32_t i = 0; i < SAMPLE_WORDS * 2; ++i) bytes.push_back(i < SAMPLE_WORDS ? 0x60 : 0xA0);
    return bytes;
}

// The folders WriteTempFile made, removed when the test program ends.
struct TempFolders {
    std::vector<std::string> made;
    ~TempFolders() {
        std::error_code ignored;
        for (const std::string& folder : made) std::filesystem::remove_all(folder, ignored);
    }
};
inline TempFolders g_tempFolders;

// Writes bytes to a fresh file under the system's temporary folder; returns its path.
inline std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string folder = std::string(P_tmpdir) + "/invitation-music-XXXXXX";
    std::vector<char> pattern(folder.begin(), folder.end());
    pattern.push_back('\0');
    std::string made = mkdtemp(pattern.data()) ? std::string(pattern.data()) : std::string(P_tmpdir);
    if (made != P_tmpdir) g_tempFolders.made.push_back(made);
    std::string path = made + "/" + name;
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    return path;
}
