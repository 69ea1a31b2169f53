#pragma once
// A scripted HTTP server on 127.0.0.1 for the update check: it records the
// request bytes of each connection and answers with prepared bytes.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/threads.h"

namespace zephrin::test {

class LoopbackServer {
public:
    // What to do on one accepted connection, given the request bytes read so far.
    using Script = std::function<void(SOCKET client, const std::string& request)>;

    explicit LoopbackServer(Script script, unsigned short port = 0);
    ~LoopbackServer();
    unsigned short port() const { return port_; }
    std::vector<std::string> requests() const;
    int connections() const { return connections_; }

    // Common scripts.
    static Script Reply(std::string bytes);                  // send all, then close
    static Script Stall();                                   // read the request, then say nothing
    static Script Endless(std::string head);                 // send head, then body bytes until the client goes

private:
    void Serve();
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    Script script_;
    Thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable Mutex mutex_;
    std::vector<std::string> requests_;
};

}  // namespace zephrin::test
