// The start-up order (window, scene, music), the show, and the way out.
#include "app/run_program.h"

#include "image/scene_files.h"
#include "music/music.h"
#include "panel/panel.h"
#include "panel/screen.h"
#include "show/show.h"

WindowHandle StartProgram(void* instance) {
    WindowHandle window = CreateDisplayWindow(SCREEN_WIDTH, SCREEN_HEIGHT, 1, instance);
    if (!window) {
        ShowErrorMessage("cannot init opengl-window");
        return nullptr;
    }
    if (!InitScene()) {
        ShowErrorMessage("cannot load scenes or textures");
        return nullptr;
    }
    if (!StartMusic(MUSIC_MODULE_PATH)) {
        ShowErrorMessage("cannot play audio");
        return nullptr;
    }
    return window;
}

int32_t RunProgram(void* instance) {
    WindowHandle window = StartProgram(instance);
    if (!window) return 1;
    RunShow();
    StopMusic();
    SendCloseRequest(window);
}
