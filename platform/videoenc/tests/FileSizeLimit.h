#pragma once

#include <sys/resource.h>

// A full disk for this process: while it lives, files cannot grow beyond
// bytes (writes fail with EFBIG instead of raising SIGXFSZ). Only for code
// that starts no other process meanwhile, which would inherit the limit.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_before{};
    void (*m_handler)(int) = nullptr;
};
