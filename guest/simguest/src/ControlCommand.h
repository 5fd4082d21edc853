#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One scripted command of the control socket, a line of UTF-8:
//   clipboard <text>     the guest copies text (the rest of the line, spaces kept)
//   rotate <degrees>     0, 90, 180 or 270
//   mouselock <0|1>      whether the running game lets the mouse be locked
//   engine <0|1>         the key-mapping engine switched in the guest
//   ready                guest ready, again
//   drop <agent>         closes vinput, misc, clipboard, ime or gl
//   quit                 ends the guest
struct ControlCommand
{
    enum class Kind { Clipboard, Rotate, MouseLock, Engine, Ready, Drop, Quit };

    Kind kind = Kind::Quit;
    QString text;  // clipboard
    int value = 0; // rotate, mouselock, engine
    QString agent; // drop
};

struct ParsedControlCommand
{
    std::optional<ControlCommand> command;
    QString error; // set when command is empty
};

// line has no line feed; a trailing carriage return is ignored.
ParsedControlCommand parseControlCommand(QByteArray line);
