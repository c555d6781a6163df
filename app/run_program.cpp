// The program's start-up order and its life from the first frame to the close.
#include "app/run_program.h"

#include "image/texture.h"
#include "music/music.h"
#include "panel/draw.h"
#include "panel/panel.h"
#include "panel/scene_table.h"
#include "platform/data_folder.h"
#include "show/show.h"

#include <cstdio>
#include <string_view>

bool ParseProgramArguments(int argc, const char* const* argv, ProgramOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options->help = true;
        } else if (argument == "--window") {
            options->display = DISPLAY_WINDOWED;
        } else if (argument == "--desktop") {
            options->display = DISPLAY_DESKTOP;
        } else if (argument == "--data" || argument.starts_with("--data=")) {
            std::string_view value;
            if (argument != "--data")
                value = argument.substr(7);
            else if (i + 1 < argc)
                value = argv[++i];
            if (value.empty()) {
                *error = "--data needs a folder";
                return false;
            }
            options->dataFolder = value;
        } else {
            *error = "unknown option " + std::string(argument);
            return false;
        }
    }
    return true;
}

const char* ProgramUsage() {
    return "usage: invitation [--window | --desktop] [--data DIR]\n"
           "  (no option)   fullscreen in a 640 x 480 display mode\n"
           "  --window      a window that can be resized; the picture follows its size\n"
           "  --desktop     the whole screen in the desktop's own mode, the picture centred\n"
           "  --data DIR    read the pictures and the music from DIR (default: data here,\n"
           "                else data beside the program)\n"
           "Keys: Up, Down, Space, Enter, Escape; Alt+F4 or closing the window ends it.\n";
}

namespace {

// A start-up that fails while the pictures and the music are still read ahead: no
// thread may be mid-way through anything (an allocation) when a message box forks
// its child, which would wait for that thread for ever.
void StopWorkAhead() {
    StopScenePrefetch();
    DropMusicAhead();
}

}  // namespace

Program StartProgramPictures(const ProgramOptions& options, void* instance) {
    Program program;
    std::string error;
    std::string data = FindDataFolder(options.dataFolder, &error);
    if (data.empty()) {
        ShowErrorMessage(error.c_str());
        return program;
    }
    UseDataFolder(data);
    // The pictures are decoded and the music loaded while the window and its mode are being made.
    PrefetchScenePictures();
    LoadMusicAhead(MUSIC_MODULE_PATH);
    WindowHandle window = CreateDisplayWindow(options.width, options.height, options.display, instance);
    if (!window) {
        StopWorkAhead();
        ShowErrorMessage("cannot init opengl-window");
        if (DisplayModeMissing())
            std::fprintf(stderr, "Hint: no %d x %d display mode here; try invitation --desktop or invitation --window\n",
                         options.width, options.height);
        return program;
    }
    program.scene.reset(LoadScene());
    if (!program.scene) {
        StopWorkAhead();
        ShowErrorMessage("cannot load scenes or textures");
        return program;
    }
    program.window = window;
    return program;
}

void StartProgramMusic(Program& program) {
    if (!program.window) return;
    if (!StartMusic(MUSIC_MODULE_PATH)) {
        ShowErrorMessage("cannot play audio");
        program.window = nullptr;
    }
}

Program StartProgram(const ProgramOptions& options, void* instance) {
    Program program = StartProgramPictures(options, instance);
    StartProgramMusic(program);
    return program;
}

FrameInput ReadFrameInput() {
    FrameInput input{KeyTable, TimeGetTime(), {}};
    GetMusicPosition(input.music);
    return input;
}

int32_t RunProgram(void* instance, const ProgramOptions& options) {
    Program program = StartProgram(options, instance);
    if (!program.window) return 1;
    ShowState show = StartShow();
    while (!ShowOver(show)) {
        if (ShowTakesInput(show) && PumpMessages() == PumpResult::CLOSE_REQUESTED) SendCloseRequest(program.window);
        Frame frame = StepShow(show, ReadFrameInput());
        DrawFrameCalls(*program.scene, frame.calls);
        SetMusicLevel(frame.musicLevel);
        PresentFrame();
    }
    StopMusic();
    SendCloseRequest(program.window);
}
