#pragma once

#include <QCoreApplication>

#include <chrono>
#include <thread>

// Polls condition until it holds or the deadline passes, letting queued Qt
// calls run in between; the guest works on threads and timers of its own.
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
