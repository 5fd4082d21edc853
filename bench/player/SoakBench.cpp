#include "SoakBench.h"

#include "Figures.h"
#include "LogCheck.h"
#include "PlayerSession.h"
#include "XTestKeyboard.h"
#include "driver/GuestEvent.h"
#include "driver/Polling.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QTest>

#include <cmath>
#include <cstdio>

namespace {

enum TaskIndex { Input, Clipboard, Recording, Capture, Reconnect };

const QStringList kLinks = {QStringLiteral("vinput"), QStringLiteral("misc"), QStringLiteral("clipboard"),
                            QStringLiteral("ime"), QStringLiteral("gl")};
// Key taps sent in one go: small enough that the other tasks interleave.
constexpr int kBatchTaps = 100;
constexpr int kWaitMs = 15000;
constexpr qint64 kMemoryTargetKb = 5 * 1024;

int filesIn(const QString &folder, const QString &pattern, bool remove)
{
    QDir dir(folder);
    const QStringList files = dir.entryList({pattern}, QDir::Files);
    if (remove) {
        for (const QString &file : files)
            dir.remove(file);
    }
    return files.size();
}

const char *verdict(bool met)
{
    return met ? "met" : "NOT met";
}

} // namespace

int SoakBench::run(const Plan &plan)
{
    XTestKeyboard keyboard(m_session.x().display());
    m_keyboard = &keyboard;
    if (!keyboard.ok() || !m_session.start(QStringLiteral("soak.log")) || !m_session.waitUntilShown(60000)
        || !warmUp()) {
        std::fprintf(stderr, "the soak could not begin; log:\n%s\n", qPrintable(m_session.log().right(3000)));
        m_session.close();
        return 1;
    }
    const int settleMs = qBound(2000, plan.seconds * 1000 / 60, 10000);
    settle(settleMs);
    const ProcessFigures start = ProcessFigures::of(m_session.pid());
    printFigures("start", start);
    std::printf("start: error lines in the log so far: %d\n", int(LogCheck::errorLines(m_session.log()).size()));

    soak(plan);

    settle(settleMs);
    const ProcessFigures end = ProcessFigures::of(m_session.pid());
    return report(plan, start, end);
}

// Every connection up, and a first capture and recording done, so that the
// start figures hold what first use allocates.
bool SoakBench::warmUp()
{
    if (!waitFor(
            [this] {
                tally();
                for (const QString &link : kLinks) {
                    if (m_connected.value(link) == 0)
                        return false;
                }
                return true;
            },
            30000))
        return false;
    // Keys the guest saw before the bench typed are not the bench's.
    m_keysBefore = m_keysReceived;
    m_keyboard->focus(m_session.window());
    m_keyboard->type(kBatchTaps);
    m_keysSent += 2 * kBatchTaps;
    if (!capture() || !startRecording())
        return false;
    QTest::qWait(1000);
    return stopRecording() && clipboardRoundTrip(-1);
}

void SoakBench::soak(const Plan &plan)
{
    m_tasks[Input].count = plan.inputs;
    m_tasks[Clipboard].count = plan.clipboards;
    m_tasks[Recording].count = plan.recordings;
    m_tasks[Capture].count = plan.captures;
    m_tasks[Reconnect].count = plan.reconnects;
    const qint64 durationMs = qint64(plan.seconds) * 1000;
    // Each recording runs for a third of its share of the time.
    m_recordMs = int(qBound<qint64>(500, durationMs / qMax(1, plan.recordings) / 3, 3000));
    QElapsedTimer timer;
    timer.start();
    qint64 lastProgress = 0;
    while (true) {
        const double fraction = qMin(1.0, double(timer.elapsed()) / double(durationMs));
        if (m_recording && m_recordingFor.elapsed() >= m_recordMs)
            stopRecording();
        Task *task = mostBehind(fraction);
        if (task == nullptr && fraction >= 1.0 && !m_recording)
            break;
        if (task == nullptr) {
            QTest::qWait(10);
            continue;
        }
        if (!step(*task))
            ++task->failed;
        if (timer.elapsed() - lastProgress >= 60000) {
            lastProgress = timer.elapsed();
            std::printf("  %3lld s: %d input events, %d clipboard round trips, %d recordings, %d captures, "
                        "%d reconnects\n",
                        timer.elapsed() / 1000, m_tasks[Input].done, m_tasks[Clipboard].done,
                        m_tasks[Recording].done, m_tasks[Capture].done, m_tasks[Reconnect].done);
            std::fflush(stdout);
        }
    }
    std::printf("soak ran %.1f s (planned %d s)\n", timer.elapsed() / 1000.0, plan.seconds);
    // The last keys reach the guest.
    qint64 seen = -1;
    waitFor(
        [&] {
            tally();
            const bool still = seen == m_keysReceived;
            seen = m_keysReceived;
            return still || m_keysReceived - m_keysBefore >= m_keysSent;
        },
        30000, 1000);
}

SoakBench::Task *SoakBench::mostBehind(double fraction)
{
    Task *behind = nullptr;
    double worst = 0.0;
    for (int i = 0; i < 5; ++i) {
        Task &task = m_tasks[i];
        // A recording running is finished before the next starts.
        if (i == Recording && m_recording)
            continue;
        const int due = int(std::ceil(fraction * task.count));
        if (due <= task.done)
            continue;
        const double lag = double(due - task.done) / task.count;
        if (lag > worst) {
            worst = lag;
            behind = &task;
        }
    }
    return behind;
}

bool SoakBench::step(Task &task)
{
    if (&task == &m_tasks[Input])
        return typeBatch(task);
    const int index = task.done++;
    if (&task == &m_tasks[Clipboard])
        return clipboardRoundTrip(index);
    if (&task == &m_tasks[Recording]) {
        // Counted as done when it ends; a failed start is counted at once.
        --task.done;
        if (startRecording())
            return true;
        ++task.done;
        return false;
    }
    if (&task == &m_tasks[Capture])
        return capture();
    return reconnect(index);
}

bool SoakBench::typeBatch(Task &task)
{
    const int taps = qMin(kBatchTaps, (task.count - task.done + 1) / 2);
    m_keyboard->focus(m_session.window());
    m_keyboard->type(taps);
    task.done += 2 * taps;
    m_keysSent += 2 * taps;
    tally();
    return true;
}

// Host to guest: the bench owns the X clipboard and the guest must see the
// text; guest to host: the guest copies and the X clipboard must hold it.
bool SoakBench::clipboardRoundTrip(int index)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QString toGuest = QStringLiteral("soak host text %1").arg(index);
    clipboard->setText(toGuest, QClipboard::Clipboard);
    const bool in = waitFor(
        [&] {
            tally();
            return m_clipboardIn.contains(toGuest);
        },
        kWaitMs, 5);
    const QString toHost = QStringLiteral("soak guest text %1").arg(index);
    if (m_session.guest().command("clipboard " + toHost.toUtf8()) != "ok")
        return false;
    const bool out = waitFor([&] { return clipboard->text(QClipboard::Clipboard) == toHost; }, kWaitMs, 5);
    m_clipboardIn.clear();
    return in && out;
}

// The player logs the file's path once it is written.
bool SoakBench::capture()
{
    const QString folder = m_session.captureFolder();
    const QString written = folder + QLatin1Char('/');
    const int before = m_session.log().count(written);
    m_session.click(PlayerSession::ScreenCapture);
    const bool logged = waitFor([&] { return m_session.log().count(written) > before; }, kWaitMs, 20);
    return logged && filesIn(folder, QStringLiteral("*.png"), true) == 1;
}

bool SoakBench::startRecording()
{
    m_session.click(PlayerSession::Record);
    m_recording = waitFor([&] { return filesIn(m_session.recordFolder(), QStringLiteral("*.mp4"), false) > 0; },
                          kWaitMs, 20);
    m_recordingFor.start();
    return m_recording;
}

bool SoakBench::stopRecording()
{
    const int before = recordsFinished();
    m_session.click(PlayerSession::Record);
    m_recording = false;
    const bool finished = waitFor([&] { return recordsFinished() > before; }, kWaitMs, 20);
    const bool one = filesIn(m_session.recordFolder(), QStringLiteral("*.mp4"), true) == 1;
    Task &task = m_tasks[Recording];
    if (task.done < task.count)
        ++task.done;
    return finished && one;
}

int SoakBench::recordsFinished() const
{
    return m_session.log().count(QStringLiteral("record finished"));
}

bool SoakBench::reconnect(int index)
{
    const QString link = kLinks[index % kLinks.size()];
    tally();
    const int before = m_connected.value(link);
    if (m_session.guest().command("drop " + link.toLatin1()) != "ok")
        return false;
    return waitFor(
        [&] {
            tally();
            return m_connected.value(link) > before;
        },
        kWaitMs, 20);
}

void SoakBench::settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QTest::qWait(200);
        tally();
    }
}

void SoakBench::tally()
{
    for (const GuestEvent &event : m_session.guest().newEvents()) {
        if (event.is("vinput", "in", "key"))
            ++m_keysReceived;
        else if (event.is("clipboard", "in", "clipboard"))
            m_clipboardIn.insert(event.text("text"));
        else if (event.is("guest", "out", "connected"))
            ++m_connected[event.text("link")];
    }
}

void SoakBench::printFigures(const char *label, const ProcessFigures &figures)
{
    std::printf("%s: player VmRSS %s, Pss %s, CPU time %.2f s, threads %d, descriptors %d\n", label,
                qPrintable(figures::megabytes(figures.rssKb)), qPrintable(figures::megabytes(figures.pssKb)),
                figures.cpuMs / 1000.0, figures.threads, figures.descriptors);
    std::fflush(stdout);
}

int SoakBench::report(const Plan &plan, const ProcessFigures &start, const ProcessFigures &end)
{
    printFigures("end", end);
    const QList<GuestEvent> all = m_session.guest().events();
    const QSet<int> held = keysHeldInTheGuest(all);
    const int exitCode = m_session.close();
    const QStringList errors = LogCheck::errorLines(m_session.log());

    int failures = 0;
    std::printf("work done (planned over %d s):\n", plan.seconds);
    for (const Task &task : m_tasks) {
        std::printf("  %-22s %d of %d, %d failed\n", task.name, task.done, task.count, task.failed);
        failures += task.failed;
    }
    const qint64 received = m_keysReceived - m_keysBefore;
    std::printf("  key events reaching the guest: %lld of %lld sent (%.2f %%; keys sent while the input "
                "connection is down are lost); %lld seen before the bench typed\n",
                received, m_keysSent, m_keysSent > 0 ? 100.0 * double(received) / double(m_keysSent) : 0.0,
                m_keysBefore);
    const qint64 cpuMs = end.cpuMs - start.cpuMs;
    std::printf("growth from start to end: VmRSS %+.1f MB, Pss %+.1f MB, CPU time %.1f s, threads %+d, "
                "descriptors %+d\n",
                (end.rssKb - start.rssKb) / 1024.0, (end.pssKb - start.pssKb) / 1024.0, cpuMs / 1000.0,
                end.threads - start.threads, end.descriptors - start.descriptors);

    const bool memory = end.rssKb - start.rssKb < kMemoryTargetKb && end.pssKb - start.pssKb < kMemoryTargetKb;
    std::printf("targets:\n");
    std::printf("  memory growth under 5 MB (VmRSS and Pss):  %s\n", verdict(memory));
    std::printf("  no descriptor growth:                      %s\n", verdict(end.descriptors <= start.descriptors));
    std::printf("  no thread growth:                          %s\n", verdict(end.threads <= start.threads));
    std::printf("  no error line in the log:                  %s\n", verdict(errors.isEmpty()));
    std::printf("  no key left down in the guest:             %s\n", verdict(held.isEmpty()));
    std::printf("  player closed cleanly (exit code 0):       %s\n", verdict(exitCode == 0));
    for (const QString &line : errors)
        std::printf("  error line: %s\n", qPrintable(line.left(300)));
    std::fflush(stdout);
    // Growth figures vary with the length of the run and the build; what
    // went wrong does not.
    return failures == 0 && errors.isEmpty() && held.isEmpty() && exitCode == 0 ? 0 : 1;
}
