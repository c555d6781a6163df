// Reading only regular files, at once, and writing through a temporary that
// becomes the file only when complete.
#include "platform/files.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

TEST(RegularFiles, OnlyRegularFilesOpenAndNothingWaits) {
    ScratchFolder scratch;
    std::ofstream(scratch.path / "file") << "bytes";
    fs::create_directory(scratch.path / "folder");
    ASSERT_EQ(mkfifo((scratch.path / "fifo").c_str(), 0600), 0);
    fs::create_symlink(scratch.path / "file", scratch.path / "link");
    const struct {
        std::string path;
        int error;   // 0: it opens
        const char* text;
    } cases[] = {
        {(scratch.path / "file").string(), 0, ""},
        {(scratch.path / "link").string(), 0, ""},
        {(scratch.path / "folder").string(), EISDIR, "it is a folder"},
        {(scratch.path / "fifo").string(), EINVAL, "it is not a regular file"},   // opening it would wait for a writer
        {"/dev/zero", EINVAL, "it is not a regular file"},                           // reading it would never end
        {(scratch.path / "none").string(), ENOENT, "No such file or directory"},
    };
    for (const auto& c : cases) {
        errno = 0;
        int fd = OpenRegularFile(c.path.c_str());
        EXPECT_EQ(fd >= 0, c.error == 0) << c.path;
        if (fd >= 0) {
            close(fd);
            std::string bytes, error;
            EXPECT_TRUE(ReadRegularFile(c.path, &bytes, &error)) << error;
            EXPECT_EQ(bytes, "bytes");
            continue;
        }
        EXPECT_EQ(errno, c.error) << c.path;
        EXPECT_EQ(OpenRegularFileStream(c.path.c_str()), nullptr) << c.path;
        std::string bytes, error;
        EXPECT_FALSE(ReadRegularFile(c.path, &bytes, &error));
        EXPECT_EQ(error, "cannot read " + c.path + ": " + c.text);
    }
}

TEST(OutputFiles, TheTargetChangesOnlyWhenTheNewFileIsComplete) {
    ScratchFolder scratch;
    const std::string target = (scratch.path / "out.txt").string();
    std::ofstream(target) << "old";
    std::string error;
    {
        OutputFile file;
        ASSERT_TRUE(OpenOutputFile(file, target, &error)) << error;
        std::fputs("half", file.stream);
        std::fflush(file.stream);
        EXPECT_EQ(FileContents(target), "old") << "while it is written";
        EXPECT_EQ(FolderEntries(scratch.path).size(), 2u);
        // Never committed: the record going removes the temporary.
    }
    EXPECT_EQ(FolderEntries(scratch.path), std::vector<std::string>{"out.txt"});
    EXPECT_EQ(FileContents(target), "old");

    OutputFile file;
    ASSERT_TRUE(OpenOutputFile(file, target, &error)) << error;
    std::fputs("new", file.stream);
    ASSERT_TRUE(CommitOutputFile(file, &error)) << error;
    EXPECT_EQ(FileContents(target), "new");
    EXPECT_EQ(FolderEntries(scratch.path), std::vector<std::string>{"out.txt"});
}

TEST(OutputFiles, TargetsThatAreNoRegularFilesAreRefusedAndLinksKept) {
    ScratchFolder scratch;
    fs::create_directory(scratch.path / "folder");
    ASSERT_EQ(mkfifo((scratch.path / "fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string error;
    } cases[] = {
        {(scratch.path / "folder").string(), "it is a folder"},
        {(scratch.path / "fifo").string(), "it is not a regular file"},
        {(scratch.path / "none" / "out").string(), "No such file or directory"},
    };
    for (const auto& c : cases) {
        OutputFile file;
        std::string error;
        EXPECT_FALSE(OpenOutputFile(file, c.path, &error)) << c.path;
        EXPECT_EQ(error, "cannot write " + c.path + ": " + c.error);
    }
    EXPECT_EQ(FolderEntries(scratch.path), (std::vector<std::string>{"fifo", "folder"}));

    // A link to a file stays a link; the file it names gets the new contents.
    std::ofstream(scratch.path / "real") << "old";
    fs::create_symlink("real", scratch.path / "link");
    OutputFile file;
    std::string error;
    ASSERT_TRUE(OpenOutputFile(file, (scratch.path / "link").string(), &error)) << error;
    std::fputs("new", file.stream);
    ASSERT_TRUE(CommitOutputFile(file, &error)) << error;
    EXPECT_TRUE(fs::is_symlink(scratch.path / "link"));
    EXPECT_EQ(FileContents(scratch.path / "real"), "new");
}

TEST(OutputFiles, ASignalRemovesTheTemporaryAndEndsTheProcessByIt) {
    ScratchFolder scratch;
    const std::string target = (scratch.path / "out.txt").string();
    std::ofstream(target) << "old";
    for (int signalNumber : {SIGINT, SIGTERM}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RemoveOutputsOnSignal();
            OutputFile file;
            std::string error;
            if (!OpenOutputFile(file, target, &error)) _exit(2);
            std::fputs("half", file.stream);
            std::fflush(file.stream);
            raise(signalNumber);
            _exit(3);   // not reached
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        EXPECT_EQ(FolderEntries(scratch.path), std::vector<std::string>{"out.txt"});
        EXPECT_EQ(FileContents(target), "old");
    }
}

}  // namespace
