#pragma once

#include <QString>

#if defined(_WIN32)
#  if defined(VMSERVICE_BUILD)
#    define VMSERVICE_EXPORT __declspec(dllexport)
#  else
#    define VMSERVICE_EXPORT __declspec(dllimport)
#  endif
#else
#  define VMSERVICE_EXPORT __attribute__((visibility("default")))
#endif

// The one way the player and the guest-service library drive the virtual
// machine. One process-wide instance; every operation may be called from
// several threads at once.
class VMSERVICE_EXPORT VMService
{
public:
    enum class Engine {
        VirtualBox, // VBoxManage on this host (the default)
        Simulator,  // no hypervisor: runs tavenor-guest as the machine
    };

    // Chooses the engine of the instance created by the first
    // getVMService(); ignored once that instance exists.
    static void selectEngine(Engine engine);
    static VMService *getVMService();
    static void releaseVMService();

    // The virtual operations keep this slot order: callers built against
    // an earlier library rely on it.
    virtual ~VMService();
    virtual bool findMachine(QString name) = 0;
    virtual bool openMachine(QString path) = 0;
    virtual bool removeMachine(QString name) = 0;
    virtual bool hostHasVTSupport() = 0;
    virtual int hostProcessorCount() = 0;
    virtual int hostMemorySizeMB() = 0;
    virtual void setGuestProperty(QString name, QString value) = 0;
    virtual int start() = 0;
    virtual bool stop() = 0;
    virtual bool vboxInstalled() = 0;
    virtual bool hasSharedFolder(QString name) = 0;
    virtual int createSharedFolder(QString name, QString hostPath) = 0;
    virtual int removeSharedFolder(QString name) = 0;
    virtual QString getVersion() = 0;
    virtual void setCpuAndMemory(int cpuCount, int memoryMB) = 0;
    virtual QString getDiskUuid(QString path) = 0;

protected:
    VMService() = default;
    VMService(const VMService &) = delete;
    VMService &operator=(const VMService &) = delete;
};
