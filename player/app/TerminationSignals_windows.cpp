#include "app/TerminationSignals.h"

// Windows ends a GUI program through window messages at logout, which reach
// the main window's close handling; there are no signals to watch.
TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals() = default;

void TerminationSignals::readPending() {}
