// The show: intro, invitation menu and outro.
#pragma once

struct Colour {
    float red, green, blue, alpha;
};

extern const Colour BackgroundColour;

void ClearFrame();
void RunShow();
void RunIntro();
void RunMenu();
void RunOutro();
