#include "features/resolve.h"

#include "endpoints.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace zephrin {

std::vector<std::string> SystemResolve(const std::string& host, const std::string& service) {
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
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::vector<std::string> addresses;
    };
    auto pending = std::make_shared<Pending>();
    std::thread([pending, resolve, host, service] {
        std::vector<std::string> addresses;
        try {
            addresses = resolve(host, service);
        } catch (...) {
            // no addresses
        }
        std::lock_guard<std::mutex> lock(pending->mutex);
        pending->addresses = std::move(addresses);
        pending->finished = true;
        pending->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(pending->mutex);
    // Short waits, so that a cancel is seen soon.
    while (!pending->finished) {
        if (cancelled && cancelled->load()) return std::nullopt;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return std::nullopt;
        pending->done.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(50)));
    }
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
