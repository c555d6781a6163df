// Files read only when they are regular files, and files written under a temporary name.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

namespace {

// The temporaries a signal may have to remove: written by the main flow, read
// by the handler, so a slot's path is complete before the slot is marked used.
constexpr int SIGNAL_SLOTS = 16;
constexpr size_t SLOT_PATH_BYTES = 4096;
char SlotPaths[SIGNAL_SLOTS][SLOT_PATH_BYTES];
volatile std::sig_atomic_t SlotUsed[SIGNAL_SLOTS];

int TakeSlot(const std::string& path) {
    if (path.size() >= SLOT_PATH_BYTES) return -1;
    for (int slot = 0; slot < SIGNAL_SLOTS; ++slot) {
        if (SlotUsed[slot]) continue;
        std::memcpy(SlotPaths[slot], path.c_str(), path.size() + 1);
        SlotUsed[slot] = 1;
        return slot;
    }
    return -1;
}

void FreeSlot(int& slot) {
    if (slot >= 0) SlotUsed[slot] = 0;
    slot = -1;
}

void RemoveOutputsAndDie(int signalNumber) {
    for (int slot = 0; slot < SIGNAL_SLOTS; ++slot)
        if (SlotUsed[slot]) unlink(SlotPaths[slot]);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

int NotRegularError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : EINVAL; }

std::string CannotWrite(const std::string& path, int error) {
    return "cannot write " + path + ": " + FileErrorText(error);
}

}  // namespace

int OpenRegularFile(const char* path) {
    if (!path) {
        errno = ENOENT;
        return -1;
    }
    struct stat info {};
    if (stat(path, &info) != 0) return -1;
    if (!S_ISREG(info.st_mode)) {
        errno = NotRegularError(info.st_mode);
        return -1;
    }
    // The name may have become a FIFO since it was looked at: even then the
    // opening must not wait for a writer.
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return -1;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        int error = NotRegularError(info.st_mode);
        close(fd);
        errno = error;
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::FILE* OpenRegularFileStream(const char* path) {
    int fd = OpenRegularFile(path);
    if (fd < 0) return nullptr;
    std::FILE* stream = fdopen(fd, "rb");
    if (!stream) {
        int error = errno;
        close(fd);
        errno = error;
    }
    return stream;
}

std::string FileErrorText(int error) {
    if (error == EISDIR) return "it is a folder";
    if (error == EINVAL) return "it is not a regular file";
    return std::strerror(error);
}

bool ReadRegularFile(const std::string& path, std::string* bytes, std::string* error) {
    int fd = OpenRegularFile(path.c_str());
    bool ok = fd >= 0;
    bytes->clear();
    char buffer[65536];
    while (ok) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        bytes->append(buffer, static_cast<size_t>(got));
    }
    int readError = errno;
    if (fd >= 0) close(fd);
    if (!ok) *error = "cannot read " + path + ": " + FileErrorText(readError);
    return ok;
}

std::string TemporaryNameBeside(const std::string& path, const char* what) {
    std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    std::string name = "." + target.filename().string() + "." + what + "-" + std::to_string(getpid());
    return ((folder.empty() ? std::filesystem::path(".") : folder) / name).string();
}

OutputFile::~OutputFile() { DiscardOutputFile(*this); }

bool OpenOutputFile(OutputFile& file, const std::string& path, std::string* error) {
    DiscardOutputFile(file);
    file.path = path;
    // A link is kept: its destination is what gets replaced.
    std::error_code failure;
    if (std::filesystem::is_symlink(path, failure) && std::filesystem::exists(path, failure))
        file.path = std::filesystem::canonical(path, failure).string();
    struct stat info {};
    if (stat(file.path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        *error = CannotWrite(path, NotRegularError(info.st_mode));
        return false;
    }
    file.tempPath = TemporaryNameBeside(file.path, "part");
    int fd = open(file.tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        // Left by an earlier process of the same number, which has ended.
        unlink(file.tempPath.c_str());
        fd = open(file.tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        *error = CannotWrite(path, errno);
        file.tempPath.clear();
        return false;
    }
    file.slot = TakeSlot(file.tempPath);
    file.stream = fdopen(fd, "wb");
    if (!file.stream) {
        *error = CannotWrite(path, errno);
        close(fd);
        DiscardOutputFile(file);
        return false;
    }
    return true;
}

bool CloseOutputFile(OutputFile& file, std::string* error) {
    if (!file.stream) return true;
    int failure = 0;
    if (std::fflush(file.stream) != 0 || fsync(fileno(file.stream)) != 0) failure = errno;
    if (std::fclose(file.stream) != 0 && failure == 0) failure = errno;
    file.stream = nullptr;
    if (failure != 0) *error = CannotWrite(file.path, failure);
    return failure == 0;
}

bool CommitOutputFile(OutputFile& file, std::string* error) {
    if (!CloseOutputFile(file, error)) {
        DiscardOutputFile(file);
        return false;
    }
    if (file.tempPath.empty() || std::rename(file.tempPath.c_str(), file.path.c_str()) != 0) {
        *error = CannotWrite(file.path, errno);
        DiscardOutputFile(file);
        return false;
    }
    file.tempPath.clear();
    FreeSlot(file.slot);
    return true;
}

void DiscardOutputFile(OutputFile& file) {
    if (file.stream) std::fclose(file.stream);
    file.stream = nullptr;
    if (!file.tempPath.empty()) unlink(file.tempPath.c_str());
    file.tempPath.clear();
    FreeSlot(file.slot);
}

void RemoveOutputsOnSignal() {
    std::signal(SIGINT, RemoveOutputsAndDie);
    std::signal(SIGTERM, RemoveOutputsAndDie);
}
