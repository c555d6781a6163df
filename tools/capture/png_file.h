// PNG files of 8-bit RGB pictures: capture frames, test looks, saved comparisons.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Top row first. False with `error` set when the file cannot be written; nothing
// is left under `path` then.
bool WritePngRgb(const std::string& path, const uint8_t* rgb, int32_t width, int32_t height, std::string* error);
// Reads an 8-bit RGB or RGBA PNG (alpha dropped) when `path` is a regular file; false when it cannot.
bool ReadPngRgb(const std::string& path, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height);
// The same from a stream at the file's start, for callers that look at the file first; the caller closes it.
bool ReadPngRgbStream(std::FILE* file, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height);
