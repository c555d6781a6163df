// Catches what the process writes to standard output, for counting the order
// notices, however they are written (stdio or the file descriptor).
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

class StdoutTap {
public:
    StdoutTap() {
        std::fflush(stdout);
        saved_ = dup(1);
        int ends[2];
        if (pipe(ends) == 0) {
            fcntl(ends[0], F_SETPIPE_SZ, 1 << 20);
            fcntl(ends[0], F_SETFL, O_NONBLOCK);
            dup2(ends[1], 1);
            close(ends[1]);
            read_ = ends[0];
        }
    }
    ~StdoutTap() {
        std::fflush(stdout);
        dup2(saved_, 1);
        close(saved_);
        if (read_ >= 0) close(read_);
    }
    StdoutTap(const StdoutTap&) = delete;
    StdoutTap& operator=(const StdoutTap&) = delete;

    // Everything written since the last call.
    std::string Take() {
        std::fflush(stdout);
        std::string text;
        char buffer[4096];
        ssize_t got;
        while (read_ >= 0 && (got = read(read_, buffer, sizeof buffer)) > 0) text.append(buffer, got);
        return text;
    }

private:
    int saved_ = -1;
    int read_ = -1;
};

// How many times `notice` appears in `text`; false in `exact` when anything else is there too.
inline int CountNotices(std::string_view text, std::string_view notice, bool* exact = nullptr) {
    int count = 0;
    size_t at = 0;
    bool clean = true;
    while (at < text.size()) {
        if (text.compare(at, notice.size(), notice) == 0) {
            ++count;
            at += notice.size();
        } else {
            clean = false;
            ++at;
        }
    }
    if (exact) *exact = clean;
    return count;
}
