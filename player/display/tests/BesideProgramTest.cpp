// The renderer beside the program comes before the one the system's search
// (this program's RPATH) would find.

#include "display/RendererBinding.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <link.h>

namespace {

QStringList loadedRendererFiles()
{
    QStringList files;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            const QFileInfo file(QString::fromLocal8Bit(info->dlpi_name));
            if (file.fileName() == OPENGLRENDER_LIBRARY_NAME)
                static_cast<QStringList *>(data)->append(file.canonicalFilePath());
            return 0;
        },
        &files);
    return files;
}

} // namespace

class BesideProgramTest : public QObject
{
    Q_OBJECT

private slots:
    void loadsTheRendererBesideTheProgram()
    {
        const QFileInfo beside(QDir(QCoreApplication::applicationDirPath())
                                   .filePath(OPENGLRENDER_LIBRARY_NAME));
        if (!beside.exists())
            QSKIP("no libOpenglRender.so beside the program: build the OpenglRender target first");
        QVERIFY(glrender::loadRenderer());
        QCOMPARE(loadedRendererFiles(), QStringList({beside.canonicalFilePath()}));
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BesideProgramTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "BesideProgramTest.moc"
