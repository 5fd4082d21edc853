#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

// A private D-Bus session bus and, when asked, the stand-in desktop portal
// (platform/shortcut/tests/portal-standin) on it, which records every call
// and emits the portal's signals when told.
class PortalStandIn
{
public:
    // folder: where the bus's socket and the portal's call log go.
    explicit PortalStandIn(const QString &folder);
    ~PortalStandIn();
    PortalStandIn(const PortalStandIn &) = delete;
    PortalStandIn &operator=(const PortalStandIn &) = delete;

    bool startBus();
    // The portal with the stand-in's options, once it owns its name.
    bool startPortal(const QStringList &options = {});
    QString busAddress() const { return m_address; }
    // Every call the portal took, one JSON object a line.
    QString calls() const;
    // method of the stand-in's test interface; how many shortcuts it
    // reached, -1 when the call failed.
    int control(const QString &method, const QVariantList &arguments = {});

private:
    QString m_folder;
    QString m_address;
    std::unique_ptr<QProcess> m_bus;
    std::unique_ptr<QProcess> m_portal;
};
