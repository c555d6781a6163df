// Compares a recording of the live program's sound with the capture's audio.wav of the same show.
// usage: sound-compare CAPTURE.wav RECORDING.raw   (the recording: 44100 Hz stereo s16le, raw)
// Finds where the capture starts in the recording (cross-correlation), then, for every 250 ms
// window (every 125 ms) in which the capture's music plays, requires the recording to hold it, near where the
// last window was found: not silent, correlating with it at 0.9 or more; and the places found
// may move by no more than 2 ms in all (no sound dropped or inserted). Exit 0: the same sound; 1: it differs; 2: bad input.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 44100;
constexpr size_t WINDOW_FRAMES = RATE / 4;
// The capture's music plays above -40 dBFS; a recording below -60 dBFS is silent. The 20 dB
// between them leave room for the fade's last steps, which live and capture take at slightly
// different instants.
constexpr double PLAYING_RMS = 32768 * 0.01;
constexpr double SILENT_RMS = 32768 * 0.001;
constexpr double MIN_CORRELATION = 0.9;
// How far the recording may move against the capture: a sample clock's rounding, no dropout.
constexpr double MAX_DRIFT_MS = 2;
// How much of the capture's music is looked for, and how far into the recording.
constexpr size_t SEARCH_FRAMES = RATE;
constexpr size_t SEARCH_LIMIT_FRAMES = 40 * RATE;
constexpr size_t LEAD_FRAMES = RATE;

struct Stereo {
    std::vector<int16_t> samples;  // interleaved left, right
    size_t frames() const { return samples.size() / 2; }
    double Mono(size_t frame) const { return (samples[2 * frame] + samples[2 * frame + 1]) * 0.5; }
};

std::optional<std::vector<char>> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

uint32_t Le32(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}
uint16_t Le16(const char* p) {
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
}

std::vector<int16_t> Samples(const char* bytes, size_t size) {
    std::vector<int16_t> samples(size / 4 * 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(Le16(bytes + 2 * i));
    return samples;
}

// A RIFF WAVE file of 16-bit stereo PCM at 44100 Hz: its samples, or an error.
bool ReadWave(const std::vector<char>& file, Stereo* out, std::string* error) {
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
        *error = "not a RIFF WAVE file";
        return false;
    }
    bool formatSeen = false;
    for (size_t at = 12; at + 8 <= file.size();) {
        const char* chunk = file.data() + at;
        size_t size = Le32(chunk + 4);
        size_t body = at + 8;
        if (size > file.size() - body) size = file.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16) {
            const char* f = file.data() + body;
            if (Le16(f) != 1 || Le16(f + 2) != 2 || Le32(f + 4) != RATE || Le16(f + 14) != 16) {
                *error = "not 16-bit stereo PCM at 44100 Hz";
                return false;
            }
            formatSeen = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!formatSeen) break;
            out->samples = Samples(file.data() + body, size);
            return true;
        }
        at = body + size + (size & 1);
    }
    *error = "no format and data chunks";
    return false;
}

void Fft(std::vector<std::complex<double>>& a, bool inverse) {
    size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1) {
        double angle = 2 * std::numbers::pi / static_cast<double>(length) * (inverse ? 1 : -1);
        std::complex<double> step(std::cos(angle), std::sin(angle));
        for (size_t start = 0; start < n; start += length) {
            std::complex<double> w(1);
            for (size_t k = 0; k < length / 2; ++k, w *= step) {
                std::complex<double> u = a[start + k], v = a[start + k + length / 2] * w;
                a[start + k] = u + v;
                a[start + k + length / 2] = u - v;
            }
        }
    }
}

// Normalised correlation of reference against signal at each lag 0..signal.size()-reference.size().
std::vector<double> CrossCorrelation(const std::vector<double>& signal, const std::vector<double>& reference) {
    size_t n = 1;
    while (n < signal.size() + reference.size()) n <<= 1;
    std::vector<std::complex<double>> s(n), r(n);
    std::copy(signal.begin(), signal.end(), s.begin());
    std::copy(reference.begin(), reference.end(), r.begin());
    Fft(s, false);
    Fft(r, false);
    for (size_t i = 0; i < n; ++i) s[i] *= std::conj(r[i]);
    Fft(s, true);
    double referenceEnergy = 0;
    for (double v : reference) referenceEnergy += v * v;
    std::vector<double> energy(signal.size() + 1, 0.0);
    for (size_t i = 0; i < signal.size(); ++i) energy[i + 1] = energy[i] + signal[i] * signal[i];
    std::vector<double> result(signal.size() - reference.size() + 1);
    for (size_t lag = 0; lag < result.size(); ++lag) {
        double e = energy[lag + reference.size()] - energy[lag];
        result[lag] = e > 0 && referenceEnergy > 0 ? s[lag].real() / static_cast<double>(n) / std::sqrt(e * referenceEnergy) : 0;
    }
    return result;
}

double Correlation(const Stereo& a, size_t aFrame, const Stereo& b, size_t bFrame, size_t frames) {
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    size_t n = frames * 2;
    for (size_t i = 0; i < n; ++i) {
        double x = a.samples[aFrame * 2 + i], y = b.samples[bFrame * 2 + i];
        sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
    }
    double count = static_cast<double>(n);
    double cov = sab - sa * sb / count, va = saa - sa * sa / count, vb = sbb - sb * sb / count;
    return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
}

double Rms(const Stereo& s, size_t frame, size_t frames) {
    double sum = 0;
    for (size_t i = frame * 2; i < (frame + frames) * 2; ++i) sum += static_cast<double>(s.samples[i]) * s.samples[i];
    return std::sqrt(sum / static_cast<double>(frames * 2));
}

// The recording frame at which the capture's first frame sounds, or nothing: where the first
// second of the capture's music is found (the earliest place, should the music repeat itself
// exactly), at full rate, so that the windows after it need no more than a small search.
std::optional<size_t> FindStart(const Stereo& capture, const Stereo& recording, double* bestCorrelation) {
    size_t first = 0;
    while (first + WINDOW_FRAMES <= capture.frames() && Rms(capture, first, WINDOW_FRAMES) < PLAYING_RMS)
        first += WINDOW_FRAMES;
    size_t referenceFrames = std::min(capture.frames() - first, SEARCH_FRAMES);
    size_t signalFrames = std::min(recording.frames(), SEARCH_LIMIT_FRAMES);
    if (referenceFrames < WINDOW_FRAMES || signalFrames < referenceFrames + first) return std::nullopt;
    std::vector<double> reference(referenceFrames), signal(signalFrames);
    for (size_t i = 0; i < referenceFrames; ++i) reference[i] = capture.Mono(first + i);
    for (size_t i = 0; i < signalFrames; ++i) signal[i] = recording.Mono(i);
    std::vector<double> found = CrossCorrelation(signal, reference);
    double best = *std::max_element(found.begin(), found.end());
    *bestCorrelation = best;
    for (size_t lag = first; lag < found.size(); ++lag)
        if (found[lag] >= best - 0.005) return lag - first;
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sound-compare CAPTURE.wav RECORDING.raw\n");
        return 2;
    }
    auto captureFile = ReadFile(argv[1]);
    auto recordingFile = ReadFile(argv[2]);
    if (!captureFile || !recordingFile) {
        std::fprintf(stderr, "sound-compare: cannot read %s\n", captureFile ? argv[2] : argv[1]);
        return 2;
    }
    Stereo capture, recording;
    std::string error;
    if (!ReadWave(*captureFile, &capture, &error)) {
        std::fprintf(stderr, "sound-compare: %s: %s\n", argv[1], error.c_str());
        return 2;
    }
    // A monitor records nothing while its sink has no stream: the recording may begin after the
    // program's first samples, within the module's silent start. A second of silence in front
    // lets the capture start before the recording does.
    recording.samples.assign(2 * LEAD_FRAMES, 0);
    std::vector<int16_t> recorded = Samples(recordingFile->data(), recordingFile->size());
    recording.samples.insert(recording.samples.end(), recorded.begin(), recorded.end());

    double startCorrelation = 0;
    std::optional<size_t> start = FindStart(capture, recording, &startCorrelation);
    if (start && startCorrelation < MIN_CORRELATION) {
        std::printf("the first second of the capture's music is nowhere whole in the recording (best correlation %.3f):"
                    " sound dropped from the start on\n", startCorrelation);
        return 1;
    }
    if (!start) {
        std::fprintf(stderr, "sound-compare: recording (%zu frames) too short to hold the capture's start\n",
                     recording.frames() - LEAD_FRAMES);
        return 1;
    }
    std::printf("the capture starts %.1f ms into the recording\n",
                (static_cast<double>(*start) - LEAD_FRAMES) * 1000.0 / RATE);

    // Each window is found anew near where the last one was: a server that ran dry plays
    // silence and then goes on later, one that fell behind skips ahead. The shift is reported.
    constexpr size_t REACH = RATE / 10;
    size_t windows = 0, failures = 0, worstWindow = 0;
    double worst = 2, sum = 0;
    int64_t lag = static_cast<int64_t>(*start), lowestLag = lag, highestLag = lag;
    // Windows overlap by half: a gap at one's edge lies in the middle of the next.
    for (size_t frame = 0; frame + WINDOW_FRAMES <= capture.frames(); frame += WINDOW_FRAMES / 2) {
        double captureRms = Rms(capture, frame, WINDOW_FRAMES);
        if (captureRms < PLAYING_RMS) continue;
        double at = static_cast<double>(frame) / RATE;
        std::string problem;
        double correlation = 0;
        char text[160];
        int64_t from = std::max<int64_t>(0, static_cast<int64_t>(frame) + lag - static_cast<int64_t>(REACH));
        int64_t to = std::min<int64_t>(static_cast<int64_t>(recording.frames()) - static_cast<int64_t>(WINDOW_FRAMES),
                                       static_cast<int64_t>(frame) + lag + static_cast<int64_t>(REACH));
        if (to < from) {
            problem = "the recording has ended";
        } else {
            std::vector<double> reference(WINDOW_FRAMES), signal(static_cast<size_t>(to - from) + WINDOW_FRAMES);
            for (size_t i = 0; i < reference.size(); ++i) reference[i] = capture.Mono(frame + i);
            for (size_t i = 0; i < signal.size(); ++i) signal[i] = recording.Mono(static_cast<size_t>(from) + i);
            std::vector<double> found = CrossCorrelation(signal, reference);
            size_t best = static_cast<size_t>(std::max_element(found.begin(), found.end()) - found.begin());
            size_t recorded = static_cast<size_t>(from) + best;
            double recordingRms = Rms(recording, recorded, WINDOW_FRAMES);
            correlation = Correlation(capture, frame, recording, recorded, WINDOW_FRAMES);
            if (recordingRms < SILENT_RMS) {
                std::snprintf(text, sizeof text, "silent (rms %.0f; the capture's %.0f)", recordingRms, captureRms);
                problem = text;
            } else if (correlation < MIN_CORRELATION) {
                std::snprintf(text, sizeof text, "correlation %.3f (rms %.0f; the capture's %.0f)", correlation,
                              recordingRms, captureRms);
                problem = text;
            } else {
                lag = static_cast<int64_t>(recorded) - static_cast<int64_t>(frame);
                lowestLag = std::min(lowestLag, lag);
                highestLag = std::max(highestLag, lag);
            }
        }
        ++windows;
        sum += correlation;
        if (correlation < worst) worst = correlation, worstWindow = frame;
        if (!problem.empty() && ++failures <= 10) std::printf("  at %6.2f s: %s\n", at, problem.c_str());
    }
    if (windows == 0) {
        std::printf("the capture has no music\n");
        return 1;
    }
    std::printf("%zu windows of 250 ms with music, 125 ms apart: correlation mean %.3f, lowest %.3f at %.2f s; %zu below %.1f or silent\n",
                windows, sum / static_cast<double>(windows), worst, static_cast<double>(worstWindow) / RATE, failures,
                MIN_CORRELATION);
    std::printf("the recording drifted from %+.1f to %+.1f ms against the capture (silence played, sound skipped)\n",
                static_cast<double>(lowestLag - static_cast<int64_t>(*start)) * 1000.0 / RATE,
                static_cast<double>(highestLag - static_cast<int64_t>(*start)) * 1000.0 / RATE);
    // A gap or a skip at a window's edge barely changes its correlation; the shift shows it.
    double drift = static_cast<double>(highestLag - lowestLag) * 1000.0 / RATE;
    if (drift > MAX_DRIFT_MS) {
        std::printf("the sound was not continuous: %.1f ms of it inserted or skipped\n", drift);
        return 1;
    }
    return failures == 0 ? 0 : 1;
}
