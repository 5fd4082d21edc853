#pragma once

#include <functional>

// How long a wait on another process may take before it counts as failed:
// a reaction to input, a paint, a log line or a guest event; a program's
// start or end. Sized for a loaded two-core machine running sanitized
// builds: a wait ends as soon as its condition holds, so a generous bound
// costs a passing run nothing.
constexpr int kReactionMs = 20000;
constexpr int kStartMs = 60000;

// Polls condition every intervalMs, handling events meanwhile, until it holds
// or timeoutMs have passed; whether it held.
bool waitFor(const std::function<bool()> &condition, int timeoutMs, int intervalMs = 50);
