// Files read only when they are regular files, so nothing ever waits on a FIFO or a device,
// and files written under a temporary name that becomes the real one only when complete.
#pragma once

#include <cstdio>
#include <string>

// Opens `path` for reading when it is a regular file, without blocking: a
// folder, a FIFO, a device or a socket is refused before it is opened. -1 with
// errno set when it cannot be read (EISDIR for a folder, EINVAL for any other
// file that is not a regular one).
int OpenRegularFile(const char* path);
// The same as a "rb" stream; null with errno set.
std::FILE* OpenRegularFileStream(const char* path);
// Why OpenRegularFile failed, from its errno: "it is a folder", "it is not a
// regular file", or the system's text.
std::string FileErrorText(int error);
// The whole of a regular file. False with `error` = "cannot read PATH: why".
bool ReadRegularFile(const std::string& path, std::string* bytes, std::string* error);

// A hidden name in the folder of `path`, unique to this process:
// "dir/.name.<what>-<pid>".
std::string TemporaryNameBeside(const std::string& path, const char* what);

// A file being written under a temporary name in the folder of its target.
// Until it is committed an existing file of the target's name stays as it was;
// if it is never committed, the temporary is removed (at the latest when the
// record goes, or by RemoveOutputsOnSignal).
struct OutputFile {
    std::string path;        // the target, a symbolic link's destination when it is one
    std::string tempPath;
    std::FILE* stream = nullptr;
    int slot = -1;           // its place in the table the signal handler reads

    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();
};

// False with `error` set when `path` is a folder or another file that is not a
// regular one, or when the temporary cannot be made.
bool OpenOutputFile(OutputFile& file, const std::string& path, std::string* error);
// Flushes the data to the disk and closes the stream, keeping the temporary;
// false with `error` set when anything could not be written.
bool CloseOutputFile(OutputFile& file, std::string* error);
// Closes the file if still open, then gives it its real name.
bool CommitOutputFile(OutputFile& file, std::string* error);
// Closes the file if still open and removes the temporary.
void DiscardOutputFile(OutputFile& file);

// From now on SIGINT and SIGTERM remove the temporaries of the output files
// not yet committed, then end the process by that signal.
void RemoveOutputsOnSignal();
