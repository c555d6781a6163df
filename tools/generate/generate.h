// invitation-data build: the data folder from the sources in assets/.
#pragma once

#include "tools/generate/pictures.h"

#include <functional>
#include <string>
#include <vector>

// The assets folder this program was built from.
std::string DefaultAssetsDir();

bool ReadTextFile(const std::string& path, std::string& text, std::string& error);

// show.txt and the 17 page files.
bool LoadPictureSources(const std::string& assetsDir, PictureSources& sources, std::string& error);

// Told after each step of a build (a picture drawn, a file written) how many of
// its steps are done.
using BuildProgress = std::function<void(int32_t done, int32_t steps)>;

// Writes the pictures of SCENE_PICTURES, drawn at picture scale `scale`, and the module into
// outDir (created if need be). Nothing is written when a source is at fault.
bool BuildDataFolder(const std::string& assetsDir, const std::string& outDir, int32_t scale, std::string& error,
                     const BuildProgress& progress = nullptr);
