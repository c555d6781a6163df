// The music: a four-channel ProTracker module ("M.K.") written from a readable
// score and synthesised samples.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

constexpr int32_t MOD_CHANNELS = 4;
constexpr int32_t MOD_ROWS = 64;
constexpr int32_t MOD_SAMPLES = 31;
constexpr int32_t MOD_MAX_ORDERS = 128;

// Amiga period of a note written as in a tracker ("C-1" to "B-3", "C#2");
// 0 for "---", -1 for anything else.
int32_t NotePeriod(std::string_view note);

struct ScoreCell {
    int32_t period = 0;   // 0: no note
    int32_t sample = 0;   // 0: none, else 1 to 31
    int32_t effect = 0;   // 0 to 15
    int32_t param = 0;    // 0 to 255
};

using ScorePattern = std::array<std::array<ScoreCell, MOD_CHANNELS>, MOD_ROWS>;

struct Score {
    std::string title;
    int32_t speed = 6;
    int32_t tempo = 125;
    int32_t restart = 0;
    std::vector<int32_t> orders;
    std::vector<ScorePattern> patterns;   // by pattern number
};

// The score text:
//   title NAME / speed N / tempo N / restart ORDER / orders P P P ...
//   pattern NN, then rows "RR | C-3 01 C40 | --- .. ... | ..." (rows left out are empty)
// Messages name the line.
bool ParseScore(std::string_view text, Score& score, std::string& error);

// Problems of a parsed score that would upset players or the intro: missing
// patterns, too many orders, a pattern that jumps onto its own order.
std::string CheckScore(const Score& score);

struct SampleDefinition {
    std::string kind;    // "" for an empty slot
    std::string name;    // up to 22 characters
    std::map<std::string, double> params;
    std::vector<double> chord;   // semitones above the played note, "chord=0,3,7,10"
};

// Lines "NN kind key=value ..." and "name NN text".
bool ParseSamples(std::string_view text, std::array<SampleDefinition, MOD_SAMPLES>& samples, std::string& error);

// 8-bit signed PCM, as played at C-3 (16574 Hz); even length.
std::vector<int8_t> SynthesiseSample(const SampleDefinition& sample);

std::vector<uint8_t> WriteModule(const Score& score, const std::array<SampleDefinition, MOD_SAMPLES>& samples);

bool BuildModule(std::string_view scoreText, std::string_view samplesText, std::vector<uint8_t>& module,
                 std::string& error);
