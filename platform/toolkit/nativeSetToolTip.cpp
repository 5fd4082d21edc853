#include "nativeSetToolTip.h"

#include <QString>
#include <QWidget>

void nativeSetToolTip(QWidget *widget, const QString &text)
{
    if (!widget)
        return;
    widget->setToolTip(text);
}
