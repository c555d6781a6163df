// Writing and reading 8-bit RGB pictures as PNG files with libpng.
#include "tools/capture/png_file.h"

#include "platform/files.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// Fast enough for a frame every few milliseconds, still a third of raw size.
constexpr int PNG_COMPRESSION_LEVEL = 3;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// The caller reports the failure, with the system's reason for it.
[[noreturn]] void QuietPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Only plain data between setjmp and a libpng error's longjmp.
bool WritePngStream(std::FILE* file, const uint8_t* rgb, int32_t width, int32_t height) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietPngError, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_compression_level(png, PNG_COMPRESSION_LEVEL);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    size_t stride = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(rgb + stride * y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, const uint8_t* rgb, int32_t width, int32_t height, std::string* error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        *error = Errno("cannot write " + path);
        return false;
    }
    bool ok = WritePngStream(file, rgb, width, height);
    int savedErrno = errno;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        errno = savedErrno;
        *error = Errno("cannot write " + path);
        std::remove(path.c_str());
    }
    return ok;
}

bool ReadPngRgb(const std::string& path, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height) {
    std::FILE* file = OpenRegularFileStream(path.c_str());
    if (!file) return false;
    bool ok = ReadPngRgbStream(file, rgb, width, height);
    std::fclose(file);
    return ok;
}

bool ReadPngRgbStream(std::FILE* file, std::vector<uint8_t>* rgb, int32_t* width, int32_t* height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_stdio(&image, file)) return false;
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = static_cast<int32_t>(image.width);
    *height = static_cast<int32_t>(image.height);
    return true;
}
