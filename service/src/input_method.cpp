#include <service/input_method.h>

#include "current_connection.h"
#include "input_method_internal.h"
#include "server_manager_internal.h"
#include "wire.h"

#include <service/server_manager.h>
#include <service/socket.h>

#include <mutex>

namespace service {

namespace {

struct InputMethod
{
    std::mutex lock; // guards the fields below
    bool started = false;
    int port = 0;

    CurrentConnection connection;
};

InputMethod &state()
{
    static InputMethod *const instance = new InputMethod;
    return *instance;
}

bool started()
{
    InputMethod &inputMethod = state();
    std::lock_guard<std::mutex> lock(inputMethod.lock);
    return inputMethod.started;
}

// A connection that arrives while the service is stopping is refused, so
// that its handle is closed rather than watched for nobody.
int onAccept(int handle)
{
    if (!started())
        return -1;
    return state().connection.replace(handle) < 0 ? -1 : handle;
}

void reset()
{
    input_method_stop();
}

} // namespace

// The guest has nothing to say on this connection. Whatever it sends is
// read and dropped, otherwise the connection would stay readable and keep
// the loop thread busy; its closing ends the watching.
int inputMethodReadable(int handle)
{
    char scratch[4096];
    return box_read(handle, scratch, sizeof scratch) > 0 ? 1 : 0;
}

} // namespace service

using namespace service;

extern "C" {

void input_method_start(int port)
{
    input_method_stop();
    onServerManagerCleanup(reset);
    InputMethod &inputMethod = state();
    {
        std::lock_guard<std::mutex> lock(inputMethod.lock);
        inputMethod.started = true;
        inputMethod.connection.start();
        inputMethod.port = port;
    }
    server_manager_add(port, onAccept, inputMethodReadable);
}

void input_method_stop(void)
{
    InputMethod &inputMethod = state();
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(inputMethod.lock);
        if (!inputMethod.started)
            return;
        inputMethod.started = false;
        port = inputMethod.port;
    }
    inputMethod.connection.stop();
    server_manager_remove(port);
}

void input_method_send_text(char *bytes, int count)
{
    if (!started() || count < 0 || (bytes == nullptr && count > 0))
        return;
    const auto message = wire::intsThenBytes({count}, bytes, static_cast<std::size_t>(count));
    state().connection.post(message.data(), static_cast<int>(message.size()));
}

} // extern "C"
