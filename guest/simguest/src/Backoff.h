#pragma once

#include <algorithm>
#include <chrono>

// The pause before the next connection attempt: short after a connection
// that worked, doubling while attempts keep failing, never above a ceiling.
class Backoff
{
public:
    static constexpr std::chrono::milliseconds kFirst{100};
    static constexpr std::chrono::milliseconds kCeiling{2000};

    std::chrono::milliseconds next()
    {
        const auto pause = m_pause;
        m_pause = std::min(m_pause * 2, kCeiling);
        return pause;
    }

    void reset() { m_pause = kFirst; }

private:
    std::chrono::milliseconds m_pause = kFirst;
};
