#pragma once

#include "app/ImeNativeEventFilter.h"

#include <QApplication>

// The player's application object: a QApplication with the input-language
// filter installed on it for its whole life.
class App : public QApplication
{
    Q_OBJECT

public:
    App(int &argc, char **argv);
    ~App() override;

private:
    ImeNativeEventFilter m_imeFilter;
};
