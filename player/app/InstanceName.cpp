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
