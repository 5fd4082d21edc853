#pragma once

// What both engines report about this host.
namespace HostInfo {

int processorCount();
int memorySizeMB();
bool hasVirtualizationSupport();

} // namespace HostInfo
