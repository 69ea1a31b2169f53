#include "loopback_server.h"

namespace zephrin::test {

LoopbackServer::LoopbackServer(Script script, unsigned short port) : script_(std::move(script)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 8);
    int len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = Thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    closesocket(listener_);
    thread_.Join();
    WSACleanup();
}

std::vector<std::string> LoopbackServer::requests() const {
    Locked lock(mutex_);
    return requests_;
}

void LoopbackServer::Serve() {
    while (!stopping_) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        ++connections_;
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const int n = recv(client, buf, sizeof buf, 0);
            if (n <= 0) break;
            request.append(buf, static_cast<size_t>(n));
        }
        {
            Locked lock(mutex_);
            requests_.push_back(request);
        }
        script_(client, request);
        closesocket(client);
    }
}

static void SendAll(SOCKET s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

LoopbackServer::Script LoopbackServer::Reply(std::string bytes) {
    return [bytes](SOCKET s, const std::string&) {
        SendAll(s, bytes);
        shutdown(s, SD_SEND);
        char buf[256];
        while (recv(s, buf, sizeof buf, 0) > 0) {
        }
    };
}

LoopbackServer::Script LoopbackServer::Stall() {
    return [](SOCKET s, const std::string&) {
        char buf[256];
        while (recv(s, buf, sizeof buf, 0) > 0) {
        }
    };
}

LoopbackServer::Script LoopbackServer::Endless(std::string head) {
    return [head](SOCKET s, const std::string&) {
        SendAll(s, head);
        const std::string chunk(16384, 'x');
        for (int i = 0; i < 100000; ++i) {  // bounded: 1.6 GB at most
            if (send(s, chunk.data(), static_cast<int>(chunk.size()), 0) <= 0) return;
        }
    };
}

}  // namespace zephrin::test
