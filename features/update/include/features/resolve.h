#pragma once
// Name resolution with a deadline. The system's resolver cannot be stopped
// once asked, so it runs on a thread of its own and is left behind when the
// caller stops waiting.
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zephrin {

// Numeric addresses for a host and service.
using Resolver = std::function<std::vector<std::string>(const std::string& host, const std::string& service)>;
std::vector<std::string> SystemResolve(const std::string& host, const std::string& service);

// The addresses, or nullopt when the deadline passed or `cancelled` became true first.
std::optional<std::vector<std::string>> ResolveBefore(const Resolver& resolve, const std::string& host,
                                                      const std::string& service,
                                                      std::chrono::steady_clock::time_point deadline,
                                                      const std::atomic<bool>* cancelled = nullptr);

}  // namespace zephrin
