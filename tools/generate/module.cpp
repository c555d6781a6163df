// The module: score and sample parsing, sample synthesis and the ProTracker file.
#include "tools/generate/module.h"

#include "tools/common/source_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr double PI = 3.14159265358979323846;
// A PAL Amiga plays period 214 (C-3) at 7093789.2 / (2 x 214) samples a second.
constexpr double C3_RATE = 7093789.2 / 428.0;

constexpr int32_t PERIODS[36] = {
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,   // octave 1
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,   // octave 2
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113,   // octave 3
};
constexpr const char* NOTE_NAMES[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};

// Score and sample lines separate their words by spaces and tabs; a CR of a CRLF file is no word.
std::vector<std::string_view> Words(std::string_view line) { return SplitWords(line, " \t\r"); }

bool ParseInt(std::string_view s, int base, int32_t& value) {
    if (s.empty()) return false;
    std::string text(s);
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, base);
    if (*end != '\0' || v < 0 || v > 1000000) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool ParseCell(std::string_view text, ScoreCell& cell, std::string& problem) {
    auto words = Words(text);
    if (words.size() != 3) {
        problem = "a cell is a note, a sample and an effect, like \"C-3 01 C40\" or \"--- .. ...\"";
        return false;
    }
    cell.period = NotePeriod(words[0]);
    if (cell.period < 0) {
        problem = "\"" + std::string(words[0]) + "\" is not a note from C-1 to B-3";
        return false;
    }
    if (words[1] == "..") {
        cell.sample = 0;
    } else if (!ParseInt(words[1], 10, cell.sample) || cell.sample < 1 || cell.sample > MOD_SAMPLES) {
        problem = "\"" + std::string(words[1]) + "\" is not a sample number from 01 to 31";
        return false;
    }
    if (words[2] == "...") {
        cell.effect = cell.param = 0;
    } else {
        int32_t value = 0;
        if (words[2].size() != 3 || !ParseInt(words[2], 16, value)) {
            problem = "\"" + std::string(words[2]) + "\" is not an effect of three hex digits";
            return false;
        }
        cell.effect = value >> 8;
        cell.param = value & 0xFF;
    }
    return true;
}

// Small deterministic noise source for the drums.
struct Noise {
    uint32_t state;
    double Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

double Param(const SampleDefinition& s, const char* key, double fallback) {
    auto it = s.params.find(key);
    return it == s.params.end() ? fallback : it->second;
}

double Saw(double phase) {
    return 2.0 * (phase - std::floor(phase)) - 1.0;
}

double Pulse(double phase, double duty) {
    return phase - std::floor(phase) < duty ? 1.0 : -1.0;
}

// A two-pole low-pass with a cutoff that may change every sample.
struct LowPass {
    double a = 0, b = 0;
    double Run(double x, double cutoff) {
        double k = 1.0 - std::exp(-2.0 * PI * std::min(cutoff, C3_RATE * 0.45) / C3_RATE);
        a += k * (x - a);
        b += k * (a - b);
        return b;
    }
};

std::vector<double> Render(const SampleDefinition& s) {
    double seconds = Param(s, "length", 300) / 1000.0;
    auto count = static_cast<size_t>(seconds * C3_RATE);
    std::vector<double> out(count, 0.0);
    Noise noise{static_cast<uint32_t>(Param(s, "seed", 12345))};
    double attack = Param(s, "attack", 1.5) / 1000.0;
    double decay = Param(s, "decay", 150) / 1000.0;
    auto envelope = [&](double t) {
        double rise = attack > 0 ? std::min(1.0, t / attack) : 1.0;
        return rise * std::exp(-t / decay);
    };
    if (s.kind == "kick") {
        double start = Param(s, "start", 160), end = Param(s, "end", 45), sweep = Param(s, "sweep", 40) / 1000.0;
        double phase = 0;
        for (size_t i = 0; i < count; ++i) {
            double t = i / C3_RATE;
            phase += (end + (start - end) * std::exp(-t / sweep)) / C3_RATE;
            double click = noise.Next() * std::exp(-t / 0.002) * Param(s, "click", 0.3);
            out[i] = std::sin(2 * PI * phase) * envelope(t) + click;
        }
    } else if (s.kind == "snare") {
        double tone = Param(s, "tone", 185), toneDecay = Param(s, "tonedecay", 60) / 1000.0;
        double mix = Param(s, "tonemix", 0.4);
        double previous = 0;
        for (size_t i = 0; i < count; ++i) {
            double t = i / C3_RATE;
            double n = noise.Next();
            double bright = n - 0.6 * previous;
            previous = n;
            out[i] = (1 - mix) * bright * envelope(t) + mix * std::sin(2 * PI * tone * t) * std::exp(-t / toneDecay);
        }
    } else if (s.kind == "hihat") {
        double p1 = 0, p2 = 0;
        for (size_t i = 0; i < count; ++i) {
            double t = i / C3_RATE;
            double n = noise.Next();
            double h1 = n - p1;
            p1 = n;
            double h2 = h1 - p2;
            p2 = h1;
            out[i] = h2 * 0.5 * envelope(t);
        }
    } else if (s.kind == "bass" || s.kind == "stab" || s.kind == "lead") {
        double base = Param(s, "base", 130.81);
        double cutStart = Param(s, "cutoff", 2400), cutEnd = Param(s, "cutoffend", 300);
        double cutDecay = Param(s, "cutoffdecay", 80) / 1000.0;
        double square = Param(s, "square", 0.0), duty = Param(s, "duty", 0.5);
        double detune = Param(s, "detune", 0.0);   // cents between the two oscillators of a voice
        double vibratoRate = Param(s, "vibrato", 0.0), vibratoDepth = Param(s, "vibratodepth", 0.0);
        double vibratoDelay = Param(s, "vibratodelay", 200) / 1000.0;
        std::vector<double> chord = s.chord.empty() ? std::vector<double>{0.0} : s.chord;
        std::vector<double> phases(chord.size() * 2, 0.0);
        LowPass filter;
        for (size_t i = 0; i < count; ++i) {
            double t = i / C3_RATE;
            double bend = t > vibratoDelay ? vibratoDepth * std::sin(2 * PI * vibratoRate * (t - vibratoDelay)) : 0;
            double x = 0;
            for (size_t v = 0; v < chord.size(); ++v) {
                double f = base * std::pow(2.0, (chord[v] + bend) / 12.0);
                for (int o = 0; o < 2; ++o) {
                    double& phase = phases[2 * v + o];
                    phase += f * std::pow(2.0, (o ? detune : -detune) / 1200.0) / C3_RATE;
                    x += (1 - square) * Saw(phase) + square * Pulse(phase, duty);
                }
            }
            x /= static_cast<double>(phases.size());
            double cutoff = cutEnd + (cutStart - cutEnd) * std::exp(-t / cutDecay);
            out[i] = filter.Run(x, cutoff) * envelope(t);
        }
    }
    // Drive, then peak level; the tail fades to silence so a sample never ends in a click.
    double drive = Param(s, "drive", 1.0);
    double peak = 0;
    for (double& v : out) {
        v = std::tanh(drive * v);
        peak = std::max(peak, std::abs(v));
    }
    double gain = peak > 0 ? Param(s, "gain", 1.0) * 126.0 / peak : 0;
    size_t fade = std::min<size_t>(count, static_cast<size_t>(0.004 * C3_RATE));
    for (size_t i = 0; i < fade; ++i) out[count - 1 - i] *= static_cast<double>(i) / fade;
    for (double& v : out) v *= gain;
    return out;
}

void PutBig16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutText(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? static_cast<uint8_t>(text[i]) : 0);
}

}  // namespace

int32_t NotePeriod(std::string_view note) {
    if (note == "---") return 0;
    if (note.size() != 3 || note[2] < '1' || note[2] > '3') return -1;
    for (int k = 0; k < 12; ++k)
        if (note.substr(0, 2) == NOTE_NAMES[k]) return PERIODS[(note[2] - '1') * 12 + k];
    return -1;
}

bool ParseScore(std::string_view text, Score& score, std::string& error) {
    score = Score();
    int lineNumber = 0;
    int32_t current = -1;
    int32_t lastRow = -1;
    auto fail = [&](const std::string& message) {
        error = "score line " + std::to_string(lineNumber) + ": " + message;
        return false;
    };
    while (!text.empty()) {
        std::string_view line = Trim(TakeLine(text, lineNumber));
        if (line.empty() || line.front() == '#') continue;
        auto words = Words(line);
        std::string_view keyword = words[0];
        if (keyword == "title") {
            score.title = std::string(Trim(line.substr(5)));
        } else if (keyword == "speed" || keyword == "tempo" || keyword == "restart") {
            int32_t value = 0;
            if (words.size() != 2 || !ParseInt(words[1], 10, value)) return fail("expected one number");
            (keyword == "speed" ? score.speed : keyword == "tempo" ? score.tempo : score.restart) = value;
        } else if (keyword == "orders") {
            for (size_t i = 1; i < words.size(); ++i) {
                int32_t p = 0;
                if (!ParseInt(words[i], 10, p)) return fail("\"" + std::string(words[i]) + "\" is not a pattern number");
                score.orders.push_back(p);
            }
        } else if (keyword == "pattern") {
            if (words.size() != 2 || !ParseInt(words[1], 10, current) || current > 63)
                return fail("expected a pattern number from 00 to 63");
            if (static_cast<int32_t>(score.patterns.size()) <= current) score.patterns.resize(current + 1);
            lastRow = -1;
        } else {
            size_t bar = line.find('|');
            int32_t row = 0;
            if (bar == std::string_view::npos || !ParseInt(Trim(line.substr(0, bar)), 10, row))
                return fail("expected a keyword or a row \"RR | cell | cell | cell | cell\"");
            if (current < 0) return fail("a row before the first \"pattern\" line");
            if (row >= MOD_ROWS || row <= lastRow) return fail("rows run upwards from 00 to 63");
            lastRow = row;
            std::string_view rest = line.substr(bar + 1);
            for (int32_t channel = 0; channel < MOD_CHANNELS; ++channel) {
                size_t next = rest.find('|');
                if ((next == std::string_view::npos) != (channel == MOD_CHANNELS - 1))
                    return fail("a row has four cells, separated by |");
                std::string problem;
                if (!ParseCell(rest.substr(0, next), score.patterns[current][row][channel], problem))
                    return fail(problem);
                rest = next == std::string_view::npos ? std::string_view() : rest.substr(next + 1);
            }
        }
    }
    std::string problem = CheckScore(score);
    if (!problem.empty()) {
        error = "score: " + problem;
        return false;
    }
    return true;
}

std::string CheckScore(const Score& score) {
    if (score.orders.empty() || score.orders.size() > MOD_MAX_ORDERS) return "between 1 and 128 orders";
    if (score.restart < 0 || score.restart >= static_cast<int32_t>(score.orders.size()))
        return "the restart position is not an order of the song";
    if (score.speed < 1 || score.speed > 31) return "speed from 1 to 31";
    if (score.tempo < 32 || score.tempo > 255) return "tempo from 32 to 255";
    std::vector<bool> played(score.patterns.size(), false);
    for (size_t order = 0; order < score.orders.size(); ++order) {
        int32_t p = score.orders[order];
        if (p >= static_cast<int32_t>(score.patterns.size()))
            return "order " + std::to_string(order) + " plays pattern " + std::to_string(p) + ", which is not written";
        played[p] = true;
        for (const auto& row : score.patterns[p])
            for (const ScoreCell& cell : row)
                if (cell.effect == 0xB) {
                    if (cell.param == static_cast<int32_t>(order))
                        return "pattern " + std::to_string(p) + " at order " + std::to_string(order) +
                               " jumps onto its own order, which would hold the song there";
                    if (cell.param >= static_cast<int32_t>(score.orders.size()))
                        return "pattern " + std::to_string(p) + " jumps past the last order";
                }
    }
    for (size_t p = 0; p < played.size(); ++p)
        if (!played[p]) return "pattern " + std::to_string(p) + " is written but no order plays it";
    return "";
}

bool ParseSamples(std::string_view text, std::array<SampleDefinition, MOD_SAMPLES>& samples, std::string& error) {
    samples = {};
    int lineNumber = 0;
    while (!text.empty()) {
        std::string_view line = Trim(TakeLine(text, lineNumber));
        if (line.empty() || line.front() == '#') continue;
        auto words = Words(line);
        auto fail = [&](const std::string& message) {
            error = "samples line " + std::to_string(lineNumber) + ": " + message;
            return false;
        };
        bool isName = words[0] == "name";
        int32_t slot = 0;
        if (words.size() < 2 || !ParseInt(words[isName ? 1 : 0], 10, slot) || slot < 1 || slot > MOD_SAMPLES)
            return fail("expected a sample number from 01 to 31");
        SampleDefinition& sample = samples[slot - 1];
        if (isName) {
            size_t at = line.find(words[1]) + words[1].size();
            sample.name = std::string(Trim(line.substr(at)));
            if (sample.name.size() > 22) return fail("a sample name has at most 22 characters");
            continue;
        }
        sample.kind = std::string(words[1]);
        if (sample.kind != "kick" && sample.kind != "snare" && sample.kind != "hihat" && sample.kind != "bass" &&
            sample.kind != "stab" && sample.kind != "lead")
            return fail("kinds are kick, snare, hihat, bass, stab and lead");
        for (size_t i = 2; i < words.size(); ++i) {
            size_t equals = words[i].find('=');
            if (equals == std::string_view::npos) return fail("parameters are written key=value");
            std::string key(words[i].substr(0, equals));
            std::string value(words[i].substr(equals + 1));
            if (key == "chord") {
                size_t at = 0;
                while (at <= value.size()) {
                    size_t comma = value.find(',', at);
                    std::string part = value.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
                    char* stop = nullptr;
                    double semitones = std::strtod(part.c_str(), &stop);
                    if (part.empty() || *stop != '\0') return fail("a chord is semitones separated by commas");
                    sample.chord.push_back(semitones);
                    if (comma == std::string::npos) break;
                    at = comma + 1;
                }
                continue;
            }
            char* stop = nullptr;
            double number = std::strtod(value.c_str(), &stop);
            if (value.empty() || *stop != '\0') return fail("\"" + value + "\" is not a number");
            sample.params[key] = number;
        }
        if (Param(sample, "length", 300) <= 0 || Param(sample, "length", 300) > 3000)
            return fail("length is from 1 to 3000 milliseconds");
        int32_t volume = static_cast<int32_t>(Param(sample, "volume", 64));
        if (volume < 0 || volume > 64) return fail("volume is from 0 to 64");
    }
    return true;
}

std::vector<int8_t> SynthesiseSample(const SampleDefinition& sample) {
    if (sample.kind.empty()) return {};
    std::vector<double> wave = Render(sample);
    // Two silent bytes first: a one-shot sample in ProTracker loops on them once it has played.
    std::vector<int8_t> pcm = {0, 0};
    for (double v : wave) pcm.push_back(static_cast<int8_t>(std::clamp(std::lround(v), -127L, 127L)));
    if (pcm.size() % 2) pcm.push_back(0);
    return pcm;
}

std::vector<uint8_t> WriteModule(const Score& score, const std::array<SampleDefinition, MOD_SAMPLES>& samples) {
    std::vector<uint8_t> out;
    PutText(out, score.title, 20);
    std::vector<std::vector<int8_t>> pcm;
    for (const SampleDefinition& sample : samples) {
        pcm.push_back(SynthesiseSample(sample));
        PutText(out, sample.name, 22);
        PutBig16(out, static_cast<uint32_t>(pcm.back().size() / 2));
        out.push_back(0);   // finetune
        out.push_back(pcm.back().empty() ? 0 : static_cast<uint8_t>(Param(sample, "volume", 64)));
        PutBig16(out, 0);   // loop start
        PutBig16(out, 1);   // loop length in words: 1 means no loop
    }
    out.push_back(static_cast<uint8_t>(score.orders.size()));
    out.push_back(static_cast<uint8_t>(score.restart));
    int32_t patternCount = 0;
    for (int32_t i = 0; i < MOD_MAX_ORDERS; ++i) {
        int32_t p = i < static_cast<int32_t>(score.orders.size()) ? score.orders[i] : 0;
        out.push_back(static_cast<uint8_t>(p));
        patternCount = std::max(patternCount, p + 1);
    }
    out.insert(out.end(), {'M', '.', 'K', '.'});
    std::vector<ScorePattern> patterns(score.patterns.begin(), score.patterns.begin() + patternCount);
    // Speed and tempo as the score gives them, on the first row the song plays.
    auto& first = patterns[score.orders[0]][0];
    int32_t pending[2][2] = {{0xF, score.speed}, {0xF, score.tempo}};
    int32_t placed = 0;
    for (int32_t c = MOD_CHANNELS - 1; c >= 0 && placed < 2; --c)
        if (first[c].effect == 0 && first[c].param == 0) {
            first[c].effect = pending[placed][0];
            first[c].param = pending[placed][1];
            ++placed;
        }
    for (const ScorePattern& pattern : patterns)
        for (const auto& row : pattern)
            for (const ScoreCell& cell : row) {
                out.push_back(static_cast<uint8_t>((cell.sample & 0xF0) | ((cell.period >> 8) & 0x0F)));
                out.push_back(static_cast<uint8_t>(cell.period & 0xFF));
                out.push_back(static_cast<uint8_t>(((cell.sample & 0x0F) << 4) | (cell.effect & 0x0F)));
                out.push_back(static_cast<uint8_t>(cell.param));
            }
    for (const auto& data : pcm)
        for (int8_t v : data) out.push_back(static_cast<uint8_t>(v));
    return out;
}

bool BuildModule(std::string_view scoreText, std::string_view samplesText, std::vector<uint8_t>& module,
                 std::string& error) {
    Score score;
    if (!ParseScore(scoreText, score, error)) return false;
    std::array<SampleDefinition, MOD_SAMPLES> samples;
    if (!ParseSamples(samplesText, samples, error)) return false;
    for (const ScorePattern& pattern : score.patterns)
        for (const auto& row : pattern)
            for (const ScoreCell& cell : row)
                if (cell.sample > 0 && samples[cell.sample - 1].kind.empty()) {
                    error = "the score plays sample " + std::to_string(cell.sample) + ", which is not defined";
                    return false;
                }
    // Speed and tempo go on the first row; they need two free effect slots there.
    int32_t free = 0;
    for (const ScoreCell& cell : score.patterns[score.orders[0]][0])
        if (cell.effect == 0 && cell.param == 0) ++free;
    if (free < 2) {
        error = "the first row of the song needs two channels without effect for speed and tempo";
        return false;
    }
    module = WriteModule(score, samples);
    return true;
}
