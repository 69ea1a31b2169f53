#pragma once
// Inside the features library only: what the update check and the release
// fetch connect to, from a host name resolved within a deadline.
#include <boost/asio/ip/tcp.hpp>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "features/resolve.h"

namespace zephrin {

// The host's addresses as endpoints on `port`; empty when none came in time,
// none could be read, or `cancelled` became true first.
std::vector<boost::asio::ip::tcp::endpoint> ResolveEndpoints(const Resolver& resolve, const std::string& host,
                                                             unsigned short port,
                                                             std::chrono::steady_clock::time_point deadline,
                                                             const std::atomic<bool>* cancelled = nullptr);

}  // namespace zephrin
