#pragma once

#include <QString>

// The message shown when every launch attempt failed: the general text
// directly followed by the reason's text (reasons 1 to 5 as the VM service
// gives them, anything else unknown), both translated in the context
// "MainWindow", and on a line of its own the launch's detail when it gave
// one.
class StartFailureText
{
public:
    static QString text(int reason, const QString &detail = QString());
};
