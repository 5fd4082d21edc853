#include "app/InputLanguageRequest.h"

// The X server changes the keyboard group on its own; there is no request
// for the application to carry out.
bool handleInputLanguageRequest(const QByteArray &, void *, long *)
{
    return false;
}
