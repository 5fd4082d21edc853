#include "OtherUserClient.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace other_user {

namespace {

// SIGPIPE is ignored so that a send on a connection the server has already
// closed fails quietly and the read still tells what came. The exit status
// is the timeout's: 124 while the connection stayed open; cat's 1 when the
// server reset it.
constexpr char kScript[] = R"(trap "" PIPE
exec 3<>"/dev/tcp/$0/$1" || exit 3
printf "$2" >&3
timeout 10 cat <&3 | wc -c
exit ${PIPESTATUS[0]})";

constexpr int kStillOpen = 124;

} // namespace

bool canRun()
{
    return ::geteuid() == 0;
}

// The bytes go as printf escapes, so that any byte survives the command
// line; the client starts from the root, as the test's folders are private.
std::optional<Outcome> connectAndRead(const std::string &host, std::uint16_t port,
                                      const std::vector<std::uint8_t> &send)
{
    std::string escaped;
    char escape[8];
    for (const std::uint8_t byte : send) {
        std::snprintf(escape, sizeof escape, "\\x%02x", byte);
        escaped += escape;
    }
    const std::string uid = std::to_string(kUid);
    const std::string command = "cd / && exec setpriv --reuid=" + uid + " --regid=" + uid +
                                " --clear-groups bash -c '" + kScript + "' " + host + " " +
                                std::to_string(port) + " '" + escaped + "'";
    FILE *client = ::popen(command.c_str(), "r");
    if (client == nullptr)
        return std::nullopt;
    unsigned long received = 0;
    const bool counted = std::fscanf(client, "%lu", &received) == 1;
    const int status = ::pclose(client);
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!counted || (code != 0 && code != 1 && code != kStillOpen))
        return std::nullopt;
    return Outcome{code != kStillOpen, received};
}

} // namespace other_user
