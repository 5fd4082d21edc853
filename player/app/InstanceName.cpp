#include "app/InstanceName.h"

#include <mutex>

namespace {

// The launch worker reads the name while the GUI thread owns it.
struct InstanceNameHolder
{
    std::mutex lock;
    QString name = QStringLiteral("tavenor");
};

InstanceNameHolder &holder()
{
    static InstanceNameHolder instance;
    return instance;
}

} // namespace

QString instanceName()
{
    std::lock_guard<std::mutex> locker(holder().lock);
    return holder().name;
}

void setInstanceName(const QString &name)
{
    std::lock_guard<std::mutex> locker(holder().lock);
    holder().name = name;
}

QString instanceNameProblem(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("it is empty");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("it names a folder");
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return QStringLiteral("it holds a path separator");
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("it holds a control character");
    }
    return QString();
}
