#pragma once
// Inside the update library only: the one HTTP GET client that both the update
// check and the updater's fetch use, on Boost.Beast. It connects, sends the
// request and hands on the reply's bytes as they come; what they mean is the
// caller's to read. Each network step runs the loop on the caller's thread
// until it completes or a deadline passes; a cancel stops the loop from outside.
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "features/release_fetch.h"
#include "features/resolve.h"

namespace zephrin {

// Starts Winsock for the rest of the process, once, before the first name is
// resolved or connection made; never at the program's start (http_get.cpp).
void StartWinsock();

// The host's addresses as endpoints on `port`; empty when none came in time,
// none could be read, or `cancelled` became true first.
std::vector<boost::asio::ip::tcp::endpoint> ResolveEndpoints(const Resolver& resolve, const std::string& host,
                                                             unsigned short port,
                                                             std::chrono::steady_clock::time_point deadline,
                                                             const std::atomic<bool>* cancelled = nullptr);

struct HttpGetRequest {
    std::string host;
    unsigned short port = 80;
    std::string target;
    // Sent after Host, in this order.
    std::vector<std::pair<std::string, std::string>> headers;
};

struct HttpGetDeadlines {
    std::chrono::milliseconds connect{30000};  // resolving and connecting, from the start
    std::chrono::milliseconds idle{30000};     // the longest wait for the next bytes
    std::chrono::milliseconds total{30000};    // the whole exchange, from the request on
};

enum class HttpGetEnd {
    Taken,        // the receiver had what it wanted
    Closed,       // the server closed the connection
    Unreachable,  // no address, or no connection
    Stalled,      // a deadline passed
    Broken,       // the connection failed in the middle
    Cancelled,
};

// The reply's bytes as they arrive; false when the receiver has what it wants.
using HttpBytes = std::function<bool(const char* data, std::size_t size)>;

HttpGetEnd HttpGet(const HttpGetRequest& request, const HttpGetDeadlines& deadlines, const HttpBytes& receive,
                   const Resolver& resolve, FetchCancel* cancel = nullptr);

}  // namespace zephrin
