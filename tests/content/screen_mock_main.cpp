// content-mock DATA_DIR OUT_DIR: the intro, some menu screens and outro frames as
// PNG files, put together from the pictures the way the show draws them.
#include "tests/content/screen_mock.h"

#include "show/menu.h"

#include <cmath>
#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: content-mock DATA_DIR OUT_DIR\n");
        return 2;
    }
    std::string data = argv[1], out = argv[2];
    bool ok = true;
    {
        ScreenMock intro;
        for (int32_t panel : {40, 41, 42, 43, 44}) ok &= MockPanel(intro, data, panel, 1.0f, true);
        ok &= WriteScreenPng(intro, out + "/intro.png");
    }
    struct MenuShot {
        int32_t entry, page, button, position;
    };
    const MenuShot shots[] = {{0, 0, 0, 3}, {1, 1, 2, 3}, {2, 0, 0, 4}, {2, 2, 1, 2}, {3, 4, 0, 5}, {3, 0, 0, 0}};
    for (const MenuShot& shot : shots) {
        ScreenMock menu;
        ok &= MockPanel(menu, data, 0, 1.0f, false);
        ok &= MockPanel(menu, data, 1, 1.0f, false);
        ok &= MockPanel(menu, data, 2 + MENU_ENTRIES[shot.entry].firstTextPage + shot.page, 1.0f, true);
        ok &= MockPanel(menu, data, 20 + shot.button, 1.0f, true);
        ok &= MockPanel(menu, data, 30 + shot.entry, 1.0f, true);
        ok &= MockPointer(menu, data, POINTER_X_OFFSET, POINTER_Y[shot.position]);
        ok &= WriteScreenPng(menu, out + "/menu-" + std::to_string(shot.entry) + "-" + std::to_string(shot.page) +
                                       ".png");
    }
    for (int32_t t : {700, 1000, 3300, 5000}) {
        ScreenMock outro;
        double s = t * 0.0005;
        auto stage = static_cast<int32_t>(s);
        auto brightness = static_cast<float>(std::abs(std::sin(3.141592653589793 * s)));
        auto offset = static_cast<float>((s - stage) - 0.5);
        ok &= MockPanel(outro, data, 50 + stage, brightness, true, offset, 0);
        ok &= MockPanel(outro, data, 53 + stage, brightness, true, 0, offset);
        ok &= MockPanel(outro, data, 60 + (t / 250) % 2, 1.0f, true);
        ok &= WriteScreenPng(outro, out + "/outro-" + std::to_string(t) + ".png");
    }
    if (!ok) std::fprintf(stderr, "content-mock: a picture did not load or a file could not be written\n");
    return ok ? 0 : 1;
}
