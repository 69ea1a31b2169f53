#include "features/resolve.h"

#include "http_get.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <algorithm>
#include <memory>

#include "platform/threads.h"
#include "platform/trace.h"

namespace zephrin {

std::vector<std::string> SystemResolve(const std::string& host, const std::string& service) {
    StartWinsock();
    boost::asio::io_context ioc;
    boost::asio::ip::tcp::resolver resolver(ioc);
    boost::system::error_code ec;
    std::vector<std::string> addresses;
    for (const auto& entry : resolver.resolve(host, service, ec)) addresses.push_back(entry.endpoint().address().to_string());
    return addresses;
}

std::optional<std::vector<std::string>> ResolveBefore(const Resolver& resolve, const std::string& host,
                                                      const std::string& service,
                                                      std::chrono::steady_clock::time_point deadline,
                                                      const std::atomic<bool>* cancelled) {
    struct Pending {
        Mutex mutex;
        Event done;
        std::vector<std::string> addresses;  // set before `done`
    };
    auto pending = std::make_shared<Pending>();
    Thread([pending, resolve, host, service] {
        std::vector<std::string> addresses;
        try {
            addresses = resolve(host, service);
        } catch (...) {
            TraceSwallowed(L"name resolution failed");
            // no addresses
        }
        Locked lock(pending->mutex);
        pending->addresses = std::move(addresses);
        pending->done.Set();
    }).Detach();
    // Short waits, so that a cancel is seen soon.
    for (;;) {
        if (cancelled && cancelled->load()) return std::nullopt;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return std::nullopt;
        const auto wait = std::min<std::chrono::steady_clock::duration>(deadline - now, std::chrono::milliseconds(50));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
        if (pending->done.Wait(static_cast<DWORD>(std::max<long long>(ms, 1)))) break;
    }
    Locked lock(pending->mutex);
    return pending->addresses;
}

std::vector<boost::asio::ip::tcp::endpoint> ResolveEndpoints(const Resolver& resolve, const std::string& host,
                                                             unsigned short port,
                                                             std::chrono::steady_clock::time_point deadline,
                                                             const std::atomic<bool>* cancelled) {
    std::vector<boost::asio::ip::tcp::endpoint> endpoints;
    const auto addresses = ResolveBefore(resolve, host, std::to_string(port), deadline, cancelled);
    if (!addresses) return endpoints;
    for (const auto& a : *addresses) {
        boost::system::error_code ec;
        const auto address = boost::asio::ip::make_address(a, ec);
        if (!ec) endpoints.emplace_back(address, port);
    }
    return endpoints;
}

}  // namespace zephrin
