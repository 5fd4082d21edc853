// The control socket's command lines, accepted and refused.

#include "ControlCommand.h"

#include <gtest/gtest.h>

namespace {

using Kind = ControlCommand::Kind;

struct Accepted
{
    QByteArray line;
    Kind kind;
    int value;
    QString text;
    QString agent;
};

TEST(ControlCommandParser, AcceptsEveryCommand)
{
    const Accepted cases[] = {
        {"clipboard hello", Kind::Clipboard, 0, QStringLiteral("hello"), {}},
        {"clipboard  two  spaces kept ",
         Kind::Clipboard,
         0,
         QStringLiteral(" two  spaces kept "),
         {}},
        {"clipboard", Kind::Clipboard, 0, QString(), {}},
        {"clipboard \xe4\xbd\xa0\xe5\xa5\xbd",
         Kind::Clipboard,
         0,
         QString::fromUtf8("\xe4\xbd\xa0\xe5\xa5\xbd"),
         {}},
        {"clipboard with cr\r", Kind::Clipboard, 0, QStringLiteral("with cr"), {}},
        {"rotate 0", Kind::Rotate, 0, {}, {}},
        {"rotate 90", Kind::Rotate, 90, {}, {}},
        {"rotate 180", Kind::Rotate, 180, {}, {}},
        {"rotate 270\r", Kind::Rotate, 270, {}, {}},
        {"mouselock 0", Kind::MouseLock, 0, {}, {}},
        {"mouselock 1", Kind::MouseLock, 1, {}, {}},
        {"engine 0", Kind::Engine, 0, {}, {}},
        {"engine 1", Kind::Engine, 1, {}, {}},
        {"ready", Kind::Ready, 0, {}, {}},
        {"quit", Kind::Quit, 0, {}, {}},
        {"drop vinput", Kind::Drop, 0, {}, QStringLiteral("vinput")},
        {"drop misc", Kind::Drop, 0, {}, QStringLiteral("misc")},
        {"drop clipboard", Kind::Drop, 0, {}, QStringLiteral("clipboard")},
        {"drop ime", Kind::Drop, 0, {}, QStringLiteral("ime")},
        {"drop gl", Kind::Drop, 0, {}, QStringLiteral("gl")},
    };
    for (const Accepted &c : cases) {
        const ParsedControlCommand parsed = parseControlCommand(c.line);
        ASSERT_TRUE(parsed.command.has_value())
            << c.line.constData() << ": " << qPrintable(parsed.error);
        EXPECT_EQ(parsed.command->kind, c.kind) << c.line.constData();
        EXPECT_EQ(parsed.command->value, c.value) << c.line.constData();
        EXPECT_EQ(parsed.command->text, c.text) << c.line.constData();
        EXPECT_EQ(parsed.command->agent, c.agent) << c.line.constData();
    }
}

TEST(ControlCommandParser, RefusesWithAReason)
{
    const std::pair<QByteArray, QString> cases[] = {
        {"", QStringLiteral("empty command")},
        {"\r", QStringLiteral("empty command")},
        {"fly", QStringLiteral("unknown command \"fly\"")},
        {"Rotate 90", QStringLiteral("unknown command \"Rotate\"")},
        {"rotate", QStringLiteral("rotate takes 0, 90, 180 or 270")},
        {"rotate 45", QStringLiteral("rotate takes 0, 90, 180 or 270")},
        {"rotate 360", QStringLiteral("rotate takes 0, 90, 180 or 270")},
        {"rotate -90", QStringLiteral("rotate takes 0, 90, 180 or 270")},
        {"rotate 90 ", QStringLiteral("rotate takes 0, 90, 180 or 270")},
        {"mouselock", QStringLiteral("mouselock takes 0 or 1")},
        {"mouselock 2", QStringLiteral("mouselock takes 0 or 1")},
        {"engine yes", QStringLiteral("engine takes 0 or 1")},
        {"ready now", QStringLiteral("ready takes no argument")},
        {"quit ", QStringLiteral("quit takes no argument")},
        {"drop", QStringLiteral("drop takes one of vinput, misc, clipboard, ime, gl")},
        {"drop guest", QStringLiteral("drop takes one of vinput, misc, clipboard, ime, gl")},
    };
    for (const auto &[line, error] : cases) {
        const ParsedControlCommand parsed = parseControlCommand(line);
        EXPECT_FALSE(parsed.command.has_value()) << line.constData();
        EXPECT_EQ(parsed.error, error) << line.constData();
    }
}

} // namespace
