#include "app/run_program.h"

#include "image/scene_files.h"
#include "music/music.h"
#include "panel/panel.h"
#include "platform/platform.h"
#include "show/show.h"

int32_t RunProgram(void* instance) {
    WindowHandle window = CreateDisplayWindow(640, 480, 1, instance);
    if (!window) {
        ShowErrorMessage("cannot init opengl-window");
        return 1;
    }
    if (!InitScene()) {
        ShowErrorMessage("cannot load scenes or textures");
        return 1;
    }
    if (!StartMusic(MUSIC_MODULE_PATH)) {
        ShowErrorMessage("cannot play audio");
        return 1;
    }
    RunShow();
    StopMusic();
    SendCloseRequest(window);
}
