// The music played through Web Audio in the browser, with the clock of what is heard.
//
// The page's audio node asks for samples on the page's one thread (web_audio.js); each
// request is rendered here at once. What is heard now comes from the audio context's
// output timestamp, and its slice is looked up in the ring the renders publish.
#include "music/clock.h"
#include "music/player.h"
#include "platform/web.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <vector>

extern "C" {
// From web_audio.js.
int web_audio_open(int rate, int channels);
void web_audio_start();
void web_audio_close();
double web_audio_heard_frame();
}

namespace {

struct WebOutput {
    Player* player = nullptr;
    SliceRing ring;
    std::vector<int16_t> samples;   // the last request's
    std::vector<int16_t> ahead;     // rendered at start, handed out before any other
    size_t aheadTaken = 0;
    int64_t heard = 0;              // never goes backwards
    uint16_t noticesWritten = 0;
};

WebOutput* TheOutput;

// The music's first render in a page costs tens of milliseconds (its code runs for the first
// time) and would land among the show's first frames: about one request's worth is rendered
// while the page starts, and handed out first.
constexpr int64_t FRAMES_AHEAD = 2048;

int64_t HeardFrame(WebOutput& output) {
    auto estimate = static_cast<int64_t>(web_audio_heard_frame());
    int64_t heard = std::clamp<int64_t>(estimate, 0, output.player->rendered);
    output.heard = std::max(output.heard, heard);
    return output.heard;
}

// The order notices of what has been heard, as the desktop writes them.
void WriteHeardNotices(WebOutput& output, const SliceRecord& heard) {
    auto starts = static_cast<uint16_t>(heard.orderStarts);
    WriteOrderNotices(static_cast<uint16_t>(starts - output.noticesWritten));
    output.noticesWritten = starts;
}

}  // namespace

// Called by the audio node: `count` stereo frames, interleaved, for it to copy.
extern "C" EMSCRIPTEN_KEEPALIVE const int16_t* web_audio_render(int count) {
    WebOutput* output = TheOutput;
    if (!output || count <= 0) return nullptr;
    output->samples.resize(static_cast<size_t>(count) * MUSIC_CHANNELS);
    size_t taken = std::min(output->samples.size(), output->ahead.size() - output->aheadTaken);
    std::copy_n(output->ahead.begin() + static_cast<std::ptrdiff_t>(output->aheadTaken), taken, output->samples.begin());
    output->aheadTaken += taken;
    if (taken < output->samples.size())
        RenderFrames(*output->player, output->samples.data() + taken,
                     static_cast<int64_t>((output->samples.size() - taken) / MUSIC_CHANNELS));
    return output->samples.data();
}

void PublishReading(Player& player, int32_t /*starts*/) {
    PublishSlice(TheOutput->ring,
                 {player.rendered / SLICE_FRAMES, player.current.order, player.current.row, player.orderStarts});
}

bool StartMusic(const char* path) {
    if (ThePlayer) return false;
    Player* player = MakePlayer(path);
    if (!player) return false;
    auto* output = new WebOutput;
    output->player = player;
    TheOutput = output;
    // Order 0, row 0 at frame 0: the first order begins.
    TakeReading(*player);
    output->ahead.resize(FRAMES_AHEAD * MUSIC_CHANNELS);
    RenderFrames(*player, output->ahead.data(), FRAMES_AHEAD);
    if (!web_audio_open(MUSIC_MIX_RATE, MUSIC_CHANNELS)) {
        TheOutput = nullptr;
        delete output;
        DestroyPlayer(player);
        return false;
    }
    ThePlayer = player;
    web_audio_start();
    MarkPageTime("musicStarted");
    return true;
}

void StopMusic() {
    Player* player = ThePlayer;
    if (!player) return;
    web_audio_close();
    ThePlayer = nullptr;
    DestroyPlayer(player);
    delete TheOutput;
    TheOutput = nullptr;
}

void GetMusicPosition(MusicPosition& position) {
    if (!ThePlayer) {
        position = {0, 0, 0};
        return;
    }
    WebOutput& output = *TheOutput;
    int64_t heard = HeardFrame(output);
    SliceRecord slice = HeardSlice(output.ring, heard);
    WriteHeardNotices(output, slice);
    position = {slice.order, slice.row, FramesToMilliseconds(heard)};
}
