// The capture's frame and sound writers: numbered PNG frames and the WAV file of the music.
#include "tools/capture/frames_and_sound.h"

#include "tools/capture/headless_run.h"
#include "tools/common/little_endian.h"

#include <cerrno>
#include <cstring>

namespace {

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

std::vector<uint8_t> WavHeader(int64_t stereoFrames) {
    constexpr uint32_t CHANNELS = 2, BYTES_PER_SAMPLE = 2;
    uint32_t dataBytes = static_cast<uint32_t>(stereoFrames * CHANNELS * BYTES_PER_SAMPLE);
    std::vector<uint8_t> header;
    header.reserve(44);
    auto tag = [&header](const char* text) {
        for (int i = 0; i < 4; ++i) header.push_back(static_cast<uint8_t>(text[i]));
    };
    tag("RIFF");
    PutLittleEndian(header, 36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    PutLittleEndian(header, 16, 4);
    PutLittleEndian(header, 1, 2);   // PCM
    PutLittleEndian(header, CHANNELS, 2);
    PutLittleEndian(header, HEADLESS_MIX_RATE, 4);
    PutLittleEndian(header, HEADLESS_MIX_RATE * CHANNELS * BYTES_PER_SAMPLE, 4);
    PutLittleEndian(header, CHANNELS * BYTES_PER_SAMPLE, 2);
    PutLittleEndian(header, 8 * BYTES_PER_SAMPLE, 2);
    tag("data");
    PutLittleEndian(header, dataBytes, 4);
    return header;
}

bool StartWav(WavWriter& wav, std::string* error) {
    wav.file = std::fopen(wav.path.c_str(), "wb");
    if (!wav.file) {
        *error = Errno("cannot write " + wav.path);
        return false;
    }
    std::vector<uint8_t> header = WavHeader(0);
    if (std::fwrite(header.data(), 1, header.size(), wav.file) != header.size()) {
        *error = Errno("cannot write " + wav.path);
        return false;
    }
    return true;
}

bool AddWavSamples(WavWriter& wav, std::span<const int16_t> samples, std::string* error) {
    // WAV samples are little-endian, as this machine's are.
    if (!samples.empty() && std::fwrite(samples.data(), sizeof(int16_t), samples.size(), wav.file) != samples.size()) {
        *error = Errno("cannot write " + wav.path);
        return false;
    }
    wav.stereoFrames += static_cast<int64_t>(samples.size() / 2);
    return true;
}

bool FinishWav(WavWriter& wav, std::string* error) {
    std::vector<uint8_t> header = WavHeader(wav.stereoFrames);
    bool ok = std::fseek(wav.file, 0, SEEK_SET) == 0 &&
              std::fwrite(header.data(), 1, header.size(), wav.file) == header.size();
    ok = std::fclose(wav.file) == 0 && ok;
    wav.file = nullptr;
    if (!ok) *error = Errno("cannot write " + wav.path);
    return ok;
}

void CloseWav(WavWriter& wav) {
    if (wav.file) {
        std::fclose(wav.file);
        wav.file = nullptr;
    }
}

std::string FrameFileName(int64_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%06lld.png", static_cast<long long>(index));
    return name;
}
