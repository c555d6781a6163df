// invitation-data build: the data folder from the sources in assets/.
#pragma once

#include "tools/generate/pictures.h"

#include <string>
#include <vector>

// The assets folder this program was built from.
std::string DefaultAssetsDir();

bool ReadTextFile(const std::string& path, std::string& text, std::string& error);

// show.txt and the 17 page files.
bool LoadPictureSources(const std::string& assetsDir, PictureSources& sources, std::string& error);

// Writes the 41 pictures, drawn at picture scale `scale`, and the module into
// outDir (created if need be).
bool BuildDataFolder(const std::string& assetsDir, const std::string& outDir, int32_t scale, std::string& error);
