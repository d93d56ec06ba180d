// A write that fails part way, with no disk to fill: under a file-size limit a write past the
// limit writes what fits and the next one fails with EFBIG ("File too large"), as a full disk
// fails with ENOSPC. SIGXFSZ is ignored so that the failure comes back as an error, and an
// ignored signal stays ignored across exec, so a child process can be limited the same way.
#pragma once

#include <csignal>
#include <sys/resource.h>

// Limits this process's files to `bytes`; safe to call in a child between fork and exec.
inline void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// The limit for as long as it lives; the old limit and signal action come back after.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        LimitFileSize(bytes);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};
