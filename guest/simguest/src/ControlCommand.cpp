#include "ControlCommand.h"

#include <QStringList>

namespace {

ParsedControlCommand failure(const QString &error)
{
    return {std::nullopt, error};
}

ParsedControlCommand command(ControlCommand::Kind kind, int value = 0, QString text = {},
                             QString agent = {})
{
    return {ControlCommand{kind, std::move(text), value, std::move(agent)}, {}};
}

ParsedControlCommand parseSwitch(ControlCommand::Kind kind, const QString &name,
                                 const QString &argument)
{
    if (argument == QLatin1String("0") || argument == QLatin1String("1"))
        return command(kind, argument.toInt());
    return failure(QStringLiteral("%1 takes 0 or 1").arg(name));
}

ParsedControlCommand parseRotate(const QString &argument)
{
    static const QStringList allowed{QStringLiteral("0"), QStringLiteral("90"),
                                     QStringLiteral("180"), QStringLiteral("270")};
    if (!allowed.contains(argument))
        return failure(QStringLiteral("rotate takes 0, 90, 180 or 270"));
    return command(ControlCommand::Kind::Rotate, argument.toInt());
}

ParsedControlCommand parseDrop(const QString &argument)
{
    static const QStringList agents{QStringLiteral("vinput"), QStringLiteral("misc"),
                                    QStringLiteral("clipboard"), QStringLiteral("ime"),
                                    QStringLiteral("gl")};
    if (!agents.contains(argument))
        return failure(
            QStringLiteral("drop takes one of %1").arg(agents.join(QStringLiteral(", "))));
    return command(ControlCommand::Kind::Drop, 0, {}, argument);
}

} // namespace

ParsedControlCommand parseControlCommand(QByteArray line)
{
    if (line.endsWith('\r'))
        line.chop(1);
    const QString text = QString::fromUtf8(line);
    const int space = text.indexOf(QLatin1Char(' '));
    const QString name = space < 0 ? text : text.left(space);
    const QString argument = space < 0 ? QString() : text.mid(space + 1);
    if (name == QLatin1String("clipboard"))
        return command(ControlCommand::Kind::Clipboard, 0, argument);
    const bool hasArgument = space >= 0;
    if (name == QLatin1String("ready") || name == QLatin1String("quit")) {
        if (hasArgument)
            return failure(QStringLiteral("%1 takes no argument").arg(name));
        return command(name == QLatin1String("ready") ? ControlCommand::Kind::Ready
                                                      : ControlCommand::Kind::Quit);
    }
    if (name == QLatin1String("rotate"))
        return parseRotate(argument);
    if (name == QLatin1String("mouselock"))
        return parseSwitch(ControlCommand::Kind::MouseLock, name, argument);
    if (name == QLatin1String("engine"))
        return parseSwitch(ControlCommand::Kind::Engine, name, argument);
    if (name == QLatin1String("drop"))
        return parseDrop(argument);
    if (name.isEmpty())
        return failure(QStringLiteral("empty command"));
    return failure(QStringLiteral("unknown command \"%1\"").arg(name));
}
