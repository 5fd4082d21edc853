#include "WakePipe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

WakePipe::WakePipe()
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = fds[0];
    m_write = fds[1];
}

WakePipe::~WakePipe()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
}

void WakePipe::wake()
{
    const char byte = 1;
    // A full pipe already wakes the sleeper; the byte may be dropped then.
    while (::write(m_write, &byte, 1) < 0 && errno == EINTR) {
    }
}

void WakePipe::drain()
{
    char buffer[64];
    while (::read(m_read, buffer, sizeof buffer) > 0) {
    }
}
