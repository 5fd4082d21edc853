#include "InstallHandler.h"

#include "ApkInspector.h"

#include <SimStateFormat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace install {

namespace {

constexpr qint64 kMaxSharesFileBytes = 1024 * 1024;
const char kShareName[] = "apk";

Outcome fail(std::int32_t result, const QString &text)
{
    return Outcome{result, text, {}};
}

// Nothing that could leave the shared folder or name something odd in it.
bool isPlainFileName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QChar(0)) && !name.contains(QChar::ReplacementCharacter);
}

QString shareFolder(const QString &sharesFile)
{
    QFile file(sharesFile);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxSharesFileBytes)
        return {};
    const QByteArray text = file.readAll();
    const simstate::Entries shares =
        simstate::parseEntries(std::string_view(text.constData(), size_t(text.size())));
    const auto share = shares.find(kShareName);
    return share == shares.end() ? QString() : QString::fromStdString(share->second);
}

QString baseName(const QString &fileName)
{
    if (fileName.endsWith(QLatin1String(".apk"), Qt::CaseInsensitive) && fileName.size() > 4)
        return fileName.left(fileName.size() - 4);
    return fileName;
}

} // namespace

Outcome installFromShare(const QString &sharesFile, const std::string &fileName)
{
    const QString name = QString::fromUtf8(fileName.data(), int(fileName.size()));
    if (!isPlainFileName(name))
        return fail(kInvalidUri, QStringLiteral("not a plain file name: %1").arg(name));
    const QString folder = shareFolder(sharesFile);
    if (folder.isEmpty())
        return fail(kInvalidUri, QStringLiteral("no shared folder \"apk\" for %1").arg(name));
    const QString path = QDir(folder).filePath(name);
    if (!QFileInfo(path).isFile())
        return fail(kInvalidUri, QStringLiteral("%1 not found in the shared folder").arg(name));
    const ApkInspection apk = inspectApk(path);
    if (!apk.valid)
        return fail(kInvalidApk, QStringLiteral("%1 is not an APK: %2").arg(name, apk.reason));
    const QString appName = apk.packageName.isEmpty() ? baseName(name) : apk.packageName;
    return Outcome{kInstalled, appName, appName};
}

QByteArray utf8Prefix(const QString &text, int maxBytes)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= maxBytes)
        return bytes;
    int cut = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xc0) == 0x80)
        --cut;
    bytes.truncate(cut);
    return bytes;
}

} // namespace install
