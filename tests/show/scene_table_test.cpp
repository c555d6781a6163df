// The scene table against what the show draws: every panel drawn has a row, every row is drawn.
#include "panel/draw.h"
#include "panel/scene_table.h"
#include "show/intro.h"
#include "show/menu.h"
#include "show/outro.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

// Each panel and texture the show's phases can reach, with where it came from.
std::map<int32_t, std::string> WhatTheShowDraws() {
    std::map<int32_t, std::string> drawn;
    auto add = [&drawn](int32_t number, const std::string& by) { drawn.emplace(number, by); };
    for (int32_t row = 0; row < 64; ++row)
        for (int32_t panel : UpdateIntro({0, row, 0}).panels) add(panel, "intro at row " + std::to_string(row));
    for (int32_t panel : UpdateIntro({INTRO_END_ORDER, 0, 0}).panels) add(panel, "the intro's last frame");

    MenuState menu = StartMenu(0);
    for (int32_t e = 0; e < static_cast<int32_t>(MENU_ENTRIES.size()); ++e) {
        menu.entry = e;
        for (menu.page = 0; menu.page <= MENU_ENTRIES[e].lastPage; ++menu.page)
            add(PagePanel(menu), "entry " + std::to_string(e) + " page " + std::to_string(menu.page));
        add(MENU_ENTRIES[e].picturePanel, "entry " + std::to_string(e) + "'s picture");
    }
    for (int32_t button : {NO_BUTTON, PREVIOUS_BUTTON, NEXT_BUTTON})
        add(BUTTON_PANEL + button, "button " + std::to_string(button));
    add(BACKDROP_LEFT_PANEL, "left backdrop");
    add(BACKDROP_RIGHT_PANEL, "right backdrop");
    add(POINTER_PANEL, "pointer");
    add(SPRITE_TEXTURE, "the sprite's texture");
    add(SPRITE_MASK_TEXTURE, "the sprite's mask");

    for (int32_t t = 0; t < static_cast<int32_t>(OUTRO_LENGTH_MS); t += 10) {
        const OutroCredits credits = OutroCreditsAt(t);
        if (credits.stage < OUTRO_CREDIT_STAGES) {
            add(CREDIT_WIDE_PANEL + credits.stage, "credit word at " + std::to_string(t) + " ms");
            add(CREDIT_NAME_PANEL + credits.stage, "credit name at " + std::to_string(t) + " ms");
        }
        add(OutroBlinkPanel(t), "blink at " + std::to_string(t) + " ms");
    }
    return drawn;
}

}  // namespace

TEST(SceneTable, EveryPanelTheShowDrawsHasARowAndEveryRowIsDrawn) {
    const std::map<int32_t, std::string> drawn = WhatTheShowDraws();
    for (const auto& [number, by] : drawn) EXPECT_NE(FindPanelPlacement(number), nullptr) << by << ": " << number;
    for (const ScenePicture& picture : SCENE_PICTURES)
        EXPECT_EQ(drawn.count(picture.number), 1u) << picture.path << " is in the table but never drawn";
}
