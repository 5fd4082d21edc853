#pragma once

#include "Frame.h"
#include "FrameStreamReader.h"
#include "StreamSockets.h"

#include <OwnUserGate.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace renderer {

// The display-stream server: listens on 127.0.0.1 on a port the system
// picks and reads one guest connection at a time on a thread of its own; a
// new connection replaces the current one. Each complete frame goes to the
// frame handler on that thread. A bad or broken stream ends its connection
// and loses only the frame in flight. Only a guest of this process's own
// user gets in: another local user's connection is closed at accept.
class FrameStreamServer
{
public:
    using FrameHandler = std::function<void(std::shared_ptr<Frame>)>;

    explicit FrameStreamServer(FrameHandler onFrame);
    ~FrameStreamServer();
    FrameStreamServer(const FrameStreamServer &) = delete;
    FrameStreamServer &operator=(const FrameStreamServer &) = delete;

    // Binds, listens and starts the thread; false when the socket cannot be made.
    bool start();
    std::uint16_t port() const { return m_port; }

private:
    void run();
    void acceptPending();
    void readClient();
    void dropClient(const char *reason);

    FrameHandler m_onFrame;
    net::Socket m_listener = net::kNoSocket;
    net::Socket m_client = net::kNoSocket;
    net::Waiter m_waiter;
    std::uint16_t m_port = 0;
    FrameStreamReader m_reader;
    peerowner::OwnUserGate m_ownUserOnly;
    std::thread m_thread;
};

} // namespace renderer
