#include "MemoryBench.h"

#include "Figures.h"
#include "PlayerSession.h"
#include "ProcessFigures.h"
#include "driver/Polling.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTest>

#include <cstdio>

int MemoryBench::run()
{
    if (!m_session.start(QStringLiteral("memory.log")) || !m_session.waitUntilShown(60000)) {
        std::fprintf(stderr, "the guest did not show; log:\n%s\n", qPrintable(m_session.log().right(3000)));
        m_session.close();
        return 1;
    }
    const Sample without = settle(5000, 30000);

    m_session.x().focus(m_session.window());
    m_session.click(PlayerSession::LocationPicker);
    const bool opened = waitFor([this] { return pickerOpen(); }, 30000);
    const Sample with = opened ? settle(5000, 60000) : Sample{};
    const int exitCode = m_session.close();

    std::printf("memory of the player, guest shown and settled (guest boot delay 0):\n");
    print("without the location picker (baseline)", without);
    if (!opened) {
        std::fprintf(stderr, "the location picker did not open; log:\n%s\n", qPrintable(m_session.log().right(3000)));
        return 1;
    }
    print("with the location picker open", with);
    std::printf("  the picker adds: player process Pss %s, player with children Pss %s\n",
                qPrintable(figures::megabytes(with.playerPssKb - without.playerPssKb)),
                qPrintable(figures::megabytes(with.treePssKb - without.treePssKb)));
    if (exitCode != 0) {
        std::fprintf(stderr, "the player ended with %d\n", exitCode);
        return 1;
    }
    return 0;
}

MemoryBench::Sample MemoryBench::sample()
{
    Sample result;
    const qint64 player = m_session.pid();
    const qint64 guest = m_session.guest().pid();
    const ProcessFigures figures = ProcessFigures::of(player);
    result.playerRssKb = figures.rssKb;
    result.playerPssKb = figures.pssKb;
    result.playerPrivateKb = figures.privateKb;
    result.treePssKb = figures.pssKb;
    QMap<QString, int> names;
    for (const qint64 child : ProcessFigures::descendants(player)) {
        const qint64 pss = qMax<qint64>(0, ProcessFigures::pssOf(child));
        if (child == guest)
            continue;
        result.treePssKb += pss;
        ++result.children;
        ++names[ProcessFigures::name(child)];
    }
    result.guestPssKb = guest != 0 ? qMax<qint64>(0, ProcessFigures::pssOf(guest)) : 0;
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        result.childNames += QStringLiteral("%1%2 x%3").arg(result.childNames.isEmpty() ? QString() : QStringLiteral(", "), it.key()).arg(it.value());
    return result;
}

MemoryBench::Sample MemoryBench::settle(int minMs, int maxMs)
{
    QElapsedTimer timer;
    timer.start();
    QList<qint64> tree;
    Sample last = sample();
    while (timer.elapsed() < maxMs) {
        QTest::qWait(1000);
        last = sample();
        tree.append(last.treePssKb);
        const bool steady = tree.size() >= 3 && qAbs(tree.last() - tree[tree.size() - 3]) < 1024;
        if (steady && timer.elapsed() >= minMs)
            break;
    }
    return last;
}

// The picker's dialog is shown and its browser's helper processes run.
bool MemoryBench::pickerOpen() const
{
    if (m_session.x().otherWindow(m_session.pid(), m_session.window(), 0).isEmpty())
        return false;
    for (const qint64 child : ProcessFigures::descendants(m_session.pid())) {
        if (ProcessFigures::name(child).startsWith(QLatin1String("QtWebEngineProc")))
            return true;
    }
    return false;
}

void MemoryBench::print(const char *label, const Sample &sample)
{
    std::printf("  %s:\n", label);
    std::printf("    player process:              VmRSS %s, Pss %s, private %s\n",
                qPrintable(figures::megabytes(sample.playerRssKb)), qPrintable(figures::megabytes(sample.playerPssKb)),
                qPrintable(figures::megabytes(sample.playerPrivateKb)));
    std::printf("    player with its children:    Pss %s (%d children: %s)\n",
                qPrintable(figures::megabytes(sample.treePssKb)), sample.children,
                qPrintable(sample.childNames.isEmpty() ? QStringLiteral("none") : sample.childNames));
    std::printf("    simulated guest (the machine, not counted above): Pss %s\n",
                qPrintable(figures::megabytes(sample.guestPssKb)));
}
