#pragma once

// A pipe that wakes a thread sleeping in poll(): wake() from any thread makes
// readFd() readable until the sleeper calls drain().
class WakePipe
{
public:
    WakePipe();
    ~WakePipe();
    WakePipe(const WakePipe &) = delete;
    WakePipe &operator=(const WakePipe &) = delete;

    bool isValid() const { return m_read >= 0; }
    int readFd() const { return m_read; }
    void wake();
    void drain();

private:
    int m_read = -1;
    int m_write = -1;
};
