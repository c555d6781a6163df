// Saving both pictures of a failed picture comparison where a person can look at them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

struct RgbPicture8 {
    const uint8_t* rgb;   // rows from the top, no fill
    int width, height;
};

// Writes <temp>/<name>-actual.ppm and <name>-expected.ppm; returns a line naming both.
inline std::string SaveFailedComparison(std::string name, RgbPicture8 actual, RgbPicture8 expected) {
    for (char& c : name)
        if (c == '/' || c == ' ' || c == ',') c = '_';
    auto save = [&name](const char* which, RgbPicture8 picture) {
        std::string path = (std::filesystem::temp_directory_path() / (name + "-" + which + ".ppm")).string();
        if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
            std::fwrite(picture.rgb, 1, static_cast<size_t>(picture.width) * picture.height * 3, file);
            std::fclose(file);
        }
        return path;
    };
    std::string actualPath = save("actual", actual);
    return "saved " + actualPath + " and " + save("expected", expected);
}
