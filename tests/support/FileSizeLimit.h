#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

// While it lives, the kernel refuses to grow any file of this process past
// `bytes` (EFBIG): a write of anything larger really fails, whoever runs the
// test and whatever the filesystem, while smaller files stay writable.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &before_);
        rlimit limited = before_;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &before_); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit before_{};
};
