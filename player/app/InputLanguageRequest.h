#pragma once

class QByteArray;

// When message is the system's request to change the input language: logs
// "input method changed", activates the requested keyboard layout in place
// of the layout of the same language, stores 1 in *result (when given) and
// returns true. For any other message (a null one included) returns false
// and leaves *result alone.
//
// Windows: WM_INPUTLANGCHANGEREQUEST (0x0050), whose second parameter is the
// layout. X11 has no such request to answer: the server switches the
// keyboard group itself and the application only hears of the result, so
// there nothing is consumed.
bool handleInputLanguageRequest(const QByteArray &eventType, void *message, long *result);
