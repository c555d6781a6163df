// invitation-data check: what the program will make of each file of a data folder.
#pragma once

#include "image/bmp.h"
#include "panel/scene_table.h"

#include <string>
#include <vector>

// One picture of the folder as the program would load it.
struct PictureCheck {
    int32_t number;          // texture number
    const char* path;        // as the program opens it
    std::string file;        // where it was looked for
    bool found;              // something of that name exists
    int openError;           // errno when it exists but cannot be opened as a regular file, else 0
    BmpFacts facts;
    BmpStatus load;          // OK when LoadBmpImage would return a picture
    int32_t scale;           // judged on a screen of scale x 640 by scale x 480
    std::vector<std::string> problems;   // each with what to do about it
};

// The picture scale a folder was drawn at: the N from 1 to MAX_PICTURE_SCALE at
// which most of its pictures come nearest to one texel per pixel on a screen of
// N x 640 by N x 480.
int32_t FolderPictureScale(const std::string& dir);

PictureCheck CheckPicture(const ScenePicture& picture, const std::string& dir, int32_t scale);

// Prints the report of every picture and the module of `dir`; true when all of
// them are usable.
bool ReportDataFolder(const std::string& dir);

// The user's message for a failed load, without its line break.
std::string BmpMessageLine(BmpStatus status, const char* path);

// A line of the report is one cell per column; a new column is one entry of the
// column table in check.cpp and, when it can find a problem, one problem rule.
struct ReportColumn {
    const char* title;
    std::string (*cell)(const PictureCheck& check);
    bool alignRight;
};

// Problems a picture can have; each rule adds nothing when there is none.
using ProblemRule = void (*)(const PictureCheck& check, std::vector<std::string>& problems);

// What check makes of the module.
enum class ModuleVerdict { USABLE, DAMAGED, NOT_USABLE };
