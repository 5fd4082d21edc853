// Renders the player's SVG artwork to PNG at build time with Qt's SVG
// renderer.
//
//   svgrender icon SOURCE PREFIX     PREFIX_{normal,hover,pressed}{,@2x}.png
//   svgrender picture SOURCE OUTPUT  the picture at the SVG's own size
//
// An icon's glyph is drawn in "currentColor", which each state replaces with
// its own colour. Exit code 1 with a message on a source that does not load.
#include <QByteArray>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

struct IconState
{
    const char *name;
    const char *colour;
};

// Glyph colours of the tool bar's buttons, which sit on #262626.
constexpr IconState kIconStates[] = {{"normal", "#bdbdbd"}, {"hover", "#ffffff"}, {"pressed", "#45a8f0"}};

struct Density
{
    int scale;
    const char *suffix;
};

constexpr Density kDensities[] = {{1, ""}, {2, "@2x"}};

int fail(const QString &message)
{
    std::fprintf(stderr, "svgrender: %s\n", qPrintable(message));
    return 1;
}

// The document drawn at scale times its own size, transparent around it.
QImage render(const QByteArray &document, int scale)
{
    QSvgRenderer renderer(document);
    if (!renderer.isValid())
        return QImage();
    QImage image(renderer.defaultSize() * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

bool save(const QImage &image, const QString &path)
{
    return !image.isNull() && image.save(path, "PNG");
}

int renderIcon(const QByteArray &document, const QString &prefix)
{
    for (const IconState &state : kIconStates) {
        QByteArray coloured = document;
        coloured.replace("currentColor", state.colour);
        for (const Density &density : kDensities) {
            const QString path = QStringLiteral("%1_%2%3.png").arg(prefix, QLatin1String(state.name),
                                                                 QLatin1String(density.suffix));
            if (!save(render(coloured, density.scale), path))
                return fail(QStringLiteral("cannot render %1").arg(path));
        }
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Rendering needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 4 || (arguments[1] != QLatin1String("icon") && arguments[1] != QLatin1String("picture")))
        return fail(QStringLiteral("usage: svgrender icon|picture SOURCE OUTPUT"));
    QFile source(arguments[2]);
    if (!source.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1").arg(arguments[2]));
    const QByteArray document = source.readAll();
    if (arguments[1] == QLatin1String("icon"))
        return renderIcon(document, arguments[3]);
    if (!save(render(document, 1), arguments[3]))
        return fail(QStringLiteral("cannot render %1").arg(arguments[2]));
    return 0;
}
