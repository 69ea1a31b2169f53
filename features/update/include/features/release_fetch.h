#pragma once
// Fetching one file from the update server over plain HTTP: the release
// manifest, or the setup program it names. Bytes go to the caller as they
// arrive; nothing here decides whether they can be trusted.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "features/resolve.h"
#include "platform/threads.h"

namespace boost::asio {
class io_context;
}

namespace zephrin {

enum class FetchResult {
    Done,
    Unreachable,  // no address, no connection
    Refused,      // any status but 200, a redirect, or a reply without Content-Length
    Stalled,      // a deadline passed
    TooLong,      // more bytes than allowed
    TooShort,     // fewer bytes than expected
    Broken,       // a malformed reply or a dropped connection
    Cancelled,
    SinkFailed,   // the caller could not take the bytes
};

struct FetchLimits {
    std::chrono::milliseconds connect{30000};  // resolving and connecting
    std::chrono::milliseconds idle{30000};     // longest wait for the next bytes
    std::chrono::milliseconds total{30000};    // the whole exchange, from the request on
    std::uint64_t maxBytes = 0;                // body bytes at most
    bool exact = false;                        // the body must be exactly maxBytes long
};

struct FetchTarget {
    std::string host;
    unsigned short port = 80;
    std::string path;
};

// False from the sink stops the fetch.
using FetchSink = std::function<bool(const char* data, std::size_t size)>;

// Stops a fetch from another thread, at once.
class FetchCancel {
public:
    void Cancel();
    bool cancelled() const { return cancelled_.load(); }
    const std::atomic<bool>* flag() const { return &cancelled_; }

private:
    friend class HttpGetRun;
    std::atomic<bool> cancelled_{false};
    Mutex mutex_;
    boost::asio::io_context* running_ = nullptr;  // the fetch's loop while one runs
};

FetchResult Fetch(const FetchTarget& target, const FetchLimits& limits, const FetchSink& sink, FetchCancel& cancel,
                  const Resolver& resolve = &SystemResolve);

// Whether the download may run this long: the idle deadline, plus time for
// the bytes at a slow modem's pace, so that a server dripping bytes cannot hold on forever.
std::chrono::milliseconds DownloadAllowance(std::uint64_t bytes, std::chrono::milliseconds idle);

}  // namespace zephrin
