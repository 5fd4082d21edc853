#pragma once

#include <chrono>
#include <thread>

// Polls pred until it holds or the deadline passes; the renderer works on
// threads of its own, so tests wait for what it does rather than for time.
template <typename Pred>
bool eventually(Pred pred, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
}
