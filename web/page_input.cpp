// Where the menu's labels are and which keys reach them.
#include "web/page_input.h"

#include "panel/scene_table.h"
#include "platform/key_codes.h"
#include "show/menu.h"

#include <cmath>

namespace {

// The labels' slots stand left of the pointer, about 90 of the 640 pixels wide.
constexpr float RAIL_WIDTH = 0.28f;
constexpr float RAIL_LEFT = POINTER_PLACE.xStart + POINTER_X_OFFSET - RAIL_WIDTH;

// Each label is as high as the pointer at its position.
constexpr float LabelMiddle(int32_t position) {
    return (POINTER_PLACE.yStart + POINTER_PLACE.yEnd) / 2.0f + POINTER_Y[position];
}

// Half the closest two labels' distance: a tap between them belongs to the nearer.
constexpr float ReachOfLabel() {
    float closest = 2.0f;
    for (int32_t p = 1; p < MENU_POSITIONS; ++p) {
        float gap = POINTER_Y[p - 1] - POINTER_Y[p];
        if (gap < closest) closest = gap;
    }
    return closest / 2.0f;
}

}  // namespace

int32_t LabelAt(float x, float y) {
    if (!(x >= RAIL_LEFT && x <= 1.0f)) return -1;
    for (int32_t p = 0; p < MENU_POSITIONS; ++p)
        if (std::fabs(y - LabelMiddle(p)) <= ReachOfLabel()) return p;
    return -1;
}

void AimTap(TapPlan& plan, int32_t position) {
    if (position >= 0 && position < MENU_POSITIONS) plan.target = position;
}

KeyChange NextTapKey(TapPlan& plan, const ShowStatus& last) {
    if (plan.held) {
        KeyChange release{plan.held, false};
        if (plan.held == VK_SPACE) plan.target = -1;
        plan.held = 0;
        return release;
    }
    if (plan.target < 0) return {0, false};
    if (last.phase != ShowPhase::MENU) {
        plan.target = -1;
        return {0, false};
    }
    // The pointer wraps round at either end: the shorter way.
    int32_t ahead = (plan.target - last.position + MENU_POSITIONS) % MENU_POSITIONS;
    plan.held = ahead == 0 ? VK_SPACE : ahead <= MENU_POSITIONS / 2 ? VK_DOWN : VK_UP;
    return {plan.held, true};
}
