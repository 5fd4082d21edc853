#include "FrameStreamServer.h"

#include <chrono>
#include <cstdio>
#include <utility>

namespace renderer {
namespace {

// Reads per wake-up before the loop looks at new connections again, so a
// guest that never pauses cannot keep a newer one waiting.
constexpr int kReadsPerWake = 64;
// Bounded like the reads, so that connections refused one after another
// cannot hold the thread in accept.
constexpr int kAcceptsPerWake = 8;

// Plain stderr rather than the Qt log: this thread can still be reading
// while the process exits, after Qt's logging has been torn down.
void report(const char *what, const char *detail = nullptr)
{
    if (detail)
        std::fprintf(stderr, "%s %s\n", what, detail);
    else
        std::fprintf(stderr, "%s\n", what);
}

} // namespace

FrameStreamServer::FrameStreamServer(FrameHandler onFrame) : m_onFrame(std::move(onFrame)) {}

FrameStreamServer::~FrameStreamServer()
{
    if (m_thread.joinable()) {
        if (!m_waiter.wake())
            report("display stream stop signal failed", net::lastError());
        m_thread.join();
    }
    net::closeSocket(m_client);
    net::closeSocket(m_listener);
}

bool FrameStreamServer::start()
{
    if (!m_waiter.isValid()) {
        report("display stream socket failed", net::lastError());
        return false;
    }
    m_listener = net::listenOnLoopback(&m_port);
    if (m_listener == net::kNoSocket) {
        report("display stream listen failed", net::lastError());
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void FrameStreamServer::run()
{
    for (;;) {
        const net::Waiter::Ready ready = m_waiter.wait(m_listener, m_client);
        if (ready.woken)
            return;
        if (ready.failed) {
            report("display stream poll failed", net::lastError());
            return;
        }
        if (ready.listener)
            acceptPending();
        if (ready.client && m_client != net::kNoSocket)
            readClient();
    }
}

void FrameStreamServer::acceptPending()
{
    for (int i = 0; i < kAcceptsPerWake; ++i) {
        net::Status status = net::Status::Done;
        net::Socket socket = net::acceptConnection(m_listener, &status);
        if (status == net::Status::Interrupted)
            continue;
        if (status == net::Status::NothingNow)
            return;
        if (status == net::Status::Failed) {
            report("display stream accept failed", net::lastError());
            // Out of descriptors or memory: the pending connection stays
            // readable, so pause rather than spin on it.
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return;
        }
        if (!m_ownUserOnly.admit(socket, m_port)) {
            net::closeSocket(socket);
            continue;
        }
        if (m_client != net::kNoSocket)
            dropClient("replaced by a new connection");
        m_client = socket;
        report("display stream connected");
    }
}

void FrameStreamServer::readClient()
{
    for (int i = 0; i < kReadsPerWake; ++i) {
        net::Status status = net::Status::Done;
        const std::size_t n = net::receiveSome(m_client, m_reader.writePointer(), m_reader.writeRoom(), &status);
        if (status == net::Status::Interrupted)
            continue;
        if (status == net::Status::NothingNow)
            return;
        if (status == net::Status::Failed) {
            dropClient(net::lastError());
            return;
        }
        if (n == 0) {
            dropClient("closed by the guest");
            return;
        }
        FrameStreamReader::Step step = m_reader.commit(n);
        if (step.error) {
            dropClient(step.error);
            return;
        }
        if (step.frame)
            m_onFrame(std::move(step.frame));
    }
}

void FrameStreamServer::dropClient(const char *reason)
{
    report("display stream closed:", reason);
    net::closeSocket(m_client);
    m_reader = FrameStreamReader();
}

} // namespace renderer
