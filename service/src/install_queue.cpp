#include <service/pm.h>

#include "guest_reader.h"
#include "install_queue.h"
#include "misc_internal.h"
#include "platform/auto_reset_event.h"
#include "wire.h"

#include <VMService.h>

#include <QDebug>

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace service {

namespace {

constexpr std::int32_t kInstallRequest = 1;
// The guest's result text is kept in a field of this many bytes, NUL included.
constexpr int kResultTextField = 1024;

const QString &shareName()
{
    static const QString name = QStringLiteral("apk");
    return name;
}

struct InstallRequest
{
    std::string folder;
    std::string file;
};

struct Installs
{
    std::mutex queueLock;
    std::deque<InstallRequest> queue;
    AutoResetEvent queueEvent;

    // Held while the shared folder is checked or removed, so that a removal
    // and its signal are seen together.
    std::mutex folderLock;
    AutoResetEvent folderRemoved;

    std::atomic<bool> running{false};
    std::atomic<VMService *> vm{nullptr};

    std::mutex callbackLock;
    pm_install_begin_callback begin = nullptr;
    pm_install_end_callback end = nullptr;
    void *context = nullptr;

    std::mutex lifeLock;
    std::thread worker;
};

Installs &state()
{
    static Installs *const instance = new Installs;
    return *instance;
}

std::optional<InstallRequest> takeRequest()
{
    Installs &installs = state();
    std::unique_lock<std::mutex> lock(installs.queueLock);
    if (installs.queue.empty()) {
        lock.unlock();
        installs.queueEvent.wait();
        lock.lock();
    }
    if (installs.queue.empty())
        return std::nullopt;
    InstallRequest request = std::move(installs.queue.front());
    installs.queue.pop_front();
    return request;
}

// Waits while the previous install's folder is still shared.
void waitForFolderRemoval(VMService &vm)
{
    Installs &installs = state();
    std::unique_lock<std::mutex> lock(installs.folderLock);
    // A result that arrived while nobody was waiting left the event set; it
    // says nothing about the folder that is shared now.
    installs.folderRemoved.reset();
    // A stop signals the event under this lock after clearing the flag: one
    // that came before the reset was just erased, but its cleared flag is
    // seen here; one that comes later finds the event reset and wakes us.
    if (!installs.running.load() || !vm.hasSharedFolder(shareName()))
        return;
    qDebug() << "wait remove shared folder";
    lock.unlock();
    installs.folderRemoved.wait();
}

void notifyBegin(const std::string &file)
{
    Installs &installs = state();
    std::unique_lock<std::mutex> lock(installs.callbackLock);
    const auto begin = installs.begin;
    void *const context = installs.context;
    lock.unlock();
    if (begin != nullptr)
        begin(context, file.c_str());
}

void notifyEnd(const char *text, int result)
{
    Installs &installs = state();
    std::unique_lock<std::mutex> lock(installs.callbackLock);
    const auto end = installs.end;
    void *const context = installs.context;
    lock.unlock();
    if (end != nullptr)
        end(context, text, result);
}

void serve(VMService &vm, const InstallRequest &request)
{
    if (vm.createSharedFolder(shareName(), QString::fromStdString(request.folder)) != 0) {
        qDebug() << "create shared foilder error" << request.folder.c_str();
        vm.removeSharedFolder(shareName());
        return;
    }
    const auto message =
        wire::intsThenBytes({kMiscInstall, kInstallRequest, static_cast<int>(request.file.size())},
                            request.file.data(), request.file.size());
    if (!miscConnection().post(message.data(), static_cast<int>(message.size()))) {
        vm.removeSharedFolder(shareName());
        return;
    }
    notifyBegin(request.file);
}

void work()
{
    Installs &installs = state();
    while (installs.running.load()) {
        const std::optional<InstallRequest> request = takeRequest();
        if (!installs.running.load())
            return;
        VMService *const vm = installs.vm.load();
        if (!request || vm == nullptr)
            continue;
        waitForFolderRemoval(*vm);
        if (!installs.running.load())
            return;
        if (vm->hasSharedFolder(shareName())) {
            qDebug() << "get notified, by still has folder";
            continue;
        }
        serve(*vm, *request);
    }
}

} // namespace

void installQueueStart()
{
    Installs &installs = state();
    std::lock_guard<std::mutex> life(installs.lifeLock);
    if (installs.running.load())
        return;
    {
        std::lock_guard<std::mutex> lock(installs.queueLock);
        installs.queue.clear();
    }
    installs.queueEvent.reset();
    installs.folderRemoved.reset();
    installs.running.store(true);
    installs.worker = std::thread(work);
}

void installQueueStop()
{
    Installs &installs = state();
    std::lock_guard<std::mutex> life(installs.lifeLock);
    if (!installs.running.exchange(false))
        return;
    {
        std::lock_guard<std::mutex> lock(installs.folderLock);
        installs.folderRemoved.signal();
    }
    {
        std::lock_guard<std::mutex> lock(installs.queueLock);
        installs.queueEvent.signal();
    }
    if (installs.worker.get_id() == std::this_thread::get_id())
        installs.worker.detach();
    else
        installs.worker.join();
    std::lock_guard<std::mutex> lock(installs.queueLock);
    installs.queue.clear();
}

int readInstallResult(GuestReader &reader, int handle)
{
    Installs &installs = state();
    {
        std::lock_guard<std::mutex> lock(installs.folderLock);
        if (VMService *const vm = installs.vm.load())
            vm->removeSharedFolder(shareName());
        installs.folderRemoved.signal();
    }
    std::int32_t header[2]; // result, text length
    if (!reader.readInts(header, 2)) {
        qDebug() << "pm read result failed";
        return endMiscConnection(handle);
    }
    const std::int32_t result = header[0];
    const std::int32_t length = header[1];
    if (length < 0 || length > kMaxGuestPayload) {
        qDebug() << "pm read data failed" << length;
        return endMiscConnection(handle);
    }
    // A longer text is cut to the field; the rest is read and dropped so the
    // connection stays in step.
    char text[kResultTextField] = {};
    const int kept = std::min(length, kResultTextField - 1);
    if (!reader.readBytes(text, kept) || !reader.discard(length - kept)) {
        qDebug() << "pm read data failed";
        return endMiscConnection(handle);
    }
    if (kept < length)
        qDebug() << "pm result text cut to" << kept << "of" << length;
    notifyEnd(text, result);
    return 1;
}

} // namespace service

using namespace service;

extern "C" {

void pm_install(const char *hostFolder, const char *fileName)
{
    if (hostFolder == nullptr || fileName == nullptr)
        return;
    qDebug() << "try to install " << hostFolder << " " << fileName;
    if (miscConnection().handle() <= 0) {
        qDebug() << "pm install no client connected";
        return;
    }
    Installs &installs = state();
    {
        std::lock_guard<std::mutex> lock(installs.queueLock);
        installs.queue.push_back(InstallRequest{hostFolder, fileName});
    }
    installs.queueEvent.signal();
}

void pm_set_callback(pm_install_begin_callback begin, pm_install_end_callback end, void *context)
{
    Installs &installs = state();
    std::lock_guard<std::mutex> lock(installs.callbackLock);
    installs.begin = begin;
    installs.end = end;
    installs.context = context;
}

void pm_set_vm(VMService *vm)
{
    state().vm.store(vm);
}

} // extern "C"
