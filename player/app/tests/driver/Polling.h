#pragma once

#include <functional>

// Polls condition every intervalMs, handling events meanwhile, until it holds
// or timeoutMs have passed; whether it held.
bool waitFor(const std::function<bool()> &condition, int timeoutMs, int intervalMs = 50);
