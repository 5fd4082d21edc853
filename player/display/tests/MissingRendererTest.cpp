// The binding when the renderer library cannot be loaded: this program
// points the library override at a file that does not exist before anything
// loads (loading happens once per process).

#include "LogCapture.h"

#include "display/RendererBinding.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <cstring>

namespace {

const char *const kMissingFile = "/no-such-folder/libOpenglRender.so";

// Counts what the start sequence asks of its host.
class CountingHost : public OpenGL
{
public:
    int calls = 0;

    WId ownerWindow() override { return WId(++calls); }
    WId displayWinId() override { return WId(++calls); }
    int displayWidth() override { return ++calls; }
    int displayHeight() override { return ++calls; }
};

bool untouched(const char *buffer, int size)
{
    for (int i = 0; i < size; ++i) {
        if (buffer[i] != 'x')
            return false;
    }
    return true;
}

void rotationCallbackMustNotRun(void *, float)
{
    qFatal("rotation callback of a missing renderer ran");
}

} // namespace

class MissingRendererTest : public QObject
{
    Q_OBJECT

private slots:
    void theFailureIsLoggedWithTheLoaderErrorOnce();
    void everyWrapperIsANoOpWithAFailureResult();
    void startRendererFailsWithoutAskingTheHost();
    void graphicsCardNameIsEmpty();
};

void MissingRendererTest::theFailureIsLoggedWithTheLoaderErrorOnce()
{
    QTest::ignoreMessage(
        QtDebugMsg,
        QRegularExpression("^fail to load libOpenglRender\\.dll Cannot load library "
                           "/no-such-folder/libOpenglRender\\.so: .*cannot open shared object file"));
    QVERIFY(!glrender::loadRenderer());

    LogCapture log;
    QVERIFY(!glrender::loadRenderer());
    QCOMPARE(log.messages(), QStringList());
}

void MissingRendererTest::everyWrapperIsANoOpWithAFailureResult()
{
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);

    QCOMPARE(glrender::initLibrary(), 0);
    QCOMPARE(glrender::initOpenGLRenderer(1280, 720, buffer, sizeof buffer), 0);
    QCOMPARE(glrender::getGraphicsCard(buffer, sizeof buffer), 0);
    QVERIFY(glrender::screenCapture(buffer, 8, 8) != 0);
    QVERIFY(untouched(buffer, sizeof buffer));

    glrender::setRotationCallback(rotationCallbackMustNotRun, nullptr);
    glrender::createOpenGLSubwindow(0, 0, 0, 0, 640, 360, 0.0f);
    glrender::setOpenGLViewport(0, 0, 640, 360);
    glrender::setOpenGLDisplayRotation(90.0f);
    glrender::repaintOpenGLDisplay();
    glrender::setStreamMode(3);
}

void MissingRendererTest::startRendererFailsWithoutAskingTheHost()
{
    char address[1024];
    std::memset(address, 'x', sizeof address);
    CountingHost host;

    QVERIFY(!glrender::startRenderer(1280, 720, address, sizeof address, &host));
    QCOMPARE(host.calls, 0);
    QVERIFY(untouched(address, sizeof address));
    QVERIFY(!glrender::startRenderer(1280, 720, address, sizeof address, nullptr));
}

void MissingRendererTest::graphicsCardNameIsEmpty()
{
    QCOMPARE(glrender::graphicsCardName(), QString());
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv(glrender::kLibraryOverrideVariable, kMissingFile);
    QApplication app(argc, argv);
    MissingRendererTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MissingRendererTest.moc"
