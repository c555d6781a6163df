// A BMP file read through a read-only mapping of the whole file, and the words the
// user sees when that fails. No platform here: the tools take this with the decoder.
#include "image/bmp.h"

#include "platform/files.h"

#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The file's bytes for as long as the decoder needs them.
struct MappedFile {
    int descriptor = -1;
    void* bytes = MAP_FAILED;
    size_t size = 0;

    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile() {
        if (bytes != MAP_FAILED) munmap(bytes, size);
        if (descriptor >= 0) close(descriptor);
    }
};

// An empty file cannot be mapped, and counts as one that cannot be opened; so
// does anything that is not a regular file, without waiting on it.
bool MapWholeFile(const char* path, MappedFile& file) {
    file.descriptor = OpenRegularFile(path);
    if (file.descriptor < 0) return false;
    struct stat status {};
    if (fstat(file.descriptor, &status) != 0 || status.st_size <= 0) return false;
    file.size = static_cast<size_t>(status.st_size);
    file.bytes = mmap(nullptr, file.size, PROT_READ, MAP_PRIVATE, file.descriptor, 0);
    return file.bytes != MAP_FAILED;
}

}  // namespace

BmpStatus ReadBmpFile(const char* nativePath, RgbImage** image) {
    *image = nullptr;
    MappedFile file;
    if (!MapWholeFile(nativePath, file)) return BmpStatus::CANNOT_OPEN;
    return DecodeBmp({static_cast<const uint8_t*>(file.bytes), file.size}, image);
}

void FormatBmpMessage(BmpStatus status, const char* path, char (&text)[BMP_MESSAGE_SIZE]) {
    const char* fixed = nullptr;
    switch (status) {
    case BmpStatus::CANNOT_OPEN: {
        // Cut the path, not the ending, when it is too long for the buffer.
        constexpr const char* PREFIX = "Failed to open DIB file ";
        constexpr const char* SUFFIX = ".\n";
        const size_t room = BMP_MESSAGE_SIZE - 1 - std::strlen(PREFIX) - std::strlen(SUFFIX);
        std::snprintf(text, BMP_MESSAGE_SIZE, "%s%.*s%s", PREFIX, static_cast<int>(room), path, SUFFIX);
        return;
    }
    case BmpStatus::UNKNOWN_HEADER: fixed = "Unknown DIB file format."; break;
    case BmpStatus::TOO_LARGE:
    case BmpStatus::OUT_OF_MEMORY: fixed = "Out of memory."; break;
    case BmpStatus::OK:
    case BmpStatus::TRUNCATED:
    case BmpStatus::BAD_SIZE:
    case BmpStatus::UNSUPPORTED: fixed = "Image file conversion error."; break;
    }
    std::snprintf(text, BMP_MESSAGE_SIZE, "%s", fixed);
}
