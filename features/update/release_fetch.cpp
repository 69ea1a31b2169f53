// One GET against the update server on Boost.Beast, body bytes handed on as
// they arrive. Each network step runs the loop on the caller's thread until
// it completes or a deadline passes; a cancel stops the loop from outside.
#include "features/release_fetch.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>

#include "endpoints.h"
#include "features/update_check.h"
#include "platform/identity.h"

namespace zephrin {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

void FetchCancel::Cancel() {
    cancelled_ = true;
    Locked lock(mutex_);
    if (running_) running_->stop();
}

class FetchRun {
public:
    FetchRun(const FetchLimits& limits, const FetchSink& sink, FetchCancel& cancel)
        : limits_(limits), sink_(sink), cancel_(cancel), stream_(ioc_) {
        Locked lock(cancel_.mutex_);
        cancel_.running_ = &ioc_;
    }
    ~FetchRun() {
        Locked lock(cancel_.mutex_);
        cancel_.running_ = nullptr;
    }
    FetchRun(const FetchRun&) = delete;
    FetchRun& operator=(const FetchRun&) = delete;

    FetchResult Run(const FetchTarget& target, const std::vector<tcp::endpoint>& endpoints) {
        stream_.expires_after(limits_.connect);
        beast::error_code ec;
        if (!Step([&](auto done) { stream_.async_connect(endpoints, [done](beast::error_code e, const tcp::endpoint&) { done(e); }); }, ec))
            return Stopped();
        if (ec) return ec == beast::error::timeout ? FetchResult::Stalled : FetchResult::Unreachable;

        http::request<http::empty_body> request{http::verb::get, target.path, 11};
        request.set(http::field::host, HttpHostField(target.host, target.port));
        request.set(http::field::user_agent, std::string("ZephrinUpdate/") + kProductVersionAscii);
        request.set(http::field::accept, "*/*");
        request.set(http::field::accept_encoding, "identity");
        request.set(http::field::connection, "close");
        end_ = Clock::now() + limits_.total;
        Arm();
        if (!Step([&](auto done) { http::async_write(stream_, request, [done](beast::error_code e, std::size_t) { done(e); }); }, ec))
            return Stopped();
        if (ec) return Failure(ec);

        http::response_parser<http::buffer_body> parser;
        parser.header_limit(kHeaderLimit);
        parser.body_limit(limits_.maxBytes);
        Arm();
        if (!Step([&](auto done) { http::async_read_header(stream_, buffer_, parser, [done](beast::error_code e, std::size_t) { done(e); }); }, ec))
            return Stopped();
        if (ec) return Failure(ec);
        const auto& head = parser.get();
        // Redirects are never followed: the setup program comes from where the signed manifest says.
        if (head.result_int() != 200 || head.find(http::field::location) != head.end()) return FetchResult::Refused;
        // The length is known before the first body byte, or the reply is not taken: a chunked or
        // close-delimited body could not be held to the signed size before it arrives.
        const auto length = parser.content_length();
        if (!length) return FetchResult::Refused;
        if (*length > limits_.maxBytes) return FetchResult::TooLong;
        if (limits_.exact && *length < limits_.maxBytes) return FetchResult::TooShort;

        std::uint64_t received = 0;
        while (!parser.is_done()) {
            parser.get().body().data = chunk_.data();
            parser.get().body().size = chunk_.size();
            Arm();
            if (!Step([&](auto done) { http::async_read_some(stream_, buffer_, parser, [done](beast::error_code e, std::size_t) { done(e); }); }, ec))
                return Stopped();
            if (ec == http::error::need_buffer) ec = {};
            const std::size_t n = chunk_.size() - parser.get().body().size;
            received += n;
            if (n > 0 && !sink_(chunk_.data(), n)) return FetchResult::SinkFailed;
            if (ec == http::error::body_limit) return FetchResult::TooLong;
            if (ec) return Failure(ec);
        }
        if (limits_.exact && received != limits_.maxBytes) return FetchResult::TooShort;
        return FetchResult::Done;
    }

private:
    // Runs one asynchronous step to its end; false when it was cancelled.
    template <typename Start>
    bool Step(Start start, beast::error_code& ec) {
        bool finished = false;
        start([&](beast::error_code e) {
            ec = e;
            finished = true;
        });
        ioc_.restart();
        // The flag is set before the loop is stopped, so a cancel between the two calls is never missed.
        if (cancel_.cancelled()) return false;
        ioc_.run();
        return finished && !cancel_.cancelled();
    }

    // The next read waits no longer than the idle deadline, nor past the end of the exchange.
    void Arm() {
        const auto now = Clock::now();
        stream_.expires_at(std::min(end_, now + std::chrono::duration_cast<Clock::duration>(limits_.idle)));
    }

    FetchResult Stopped() const { return cancel_.cancelled() ? FetchResult::Cancelled : FetchResult::Broken; }

    static FetchResult Failure(const beast::error_code& ec) {
        if (ec == beast::error::timeout) return FetchResult::Stalled;
        if (ec == http::error::body_limit) return FetchResult::TooLong;
        if (ec == http::error::partial_message || ec == net::error::eof) return FetchResult::TooShort;
        return FetchResult::Broken;
    }

    const FetchLimits& limits_;
    const FetchSink& sink_;
    FetchCancel& cancel_;
    net::io_context ioc_;
    beast::tcp_stream stream_;
    // What the reader may hold at once: the head's limit and a little more. A line that never
    // ends cannot grow it without bound.
    static constexpr std::size_t kHeaderLimit = 64 * 1024;
    beast::flat_buffer buffer_{kHeaderLimit + 8 * 1024};
    std::array<char, 16384> chunk_{};
    Clock::time_point end_{};
};

FetchResult Fetch(const FetchTarget& target, const FetchLimits& limits, const FetchSink& sink, FetchCancel& cancel,
                  const Resolver& resolve) {
    try {
        const auto connectDeadline = Clock::now() + limits.connect;
        const auto endpoints = ResolveEndpoints(resolve, target.host, target.port, connectDeadline, cancel.flag());
        if (cancel.cancelled()) return FetchResult::Cancelled;
        if (endpoints.empty()) return FetchResult::Unreachable;
        FetchRun run(limits, sink, cancel);
        return run.Run(target, endpoints);
    } catch (...) {
        // Boost reports some failures by throwing; to the caller they are a broken exchange.
        return cancel.cancelled() ? FetchResult::Cancelled : FetchResult::Broken;
    }
}

std::chrono::milliseconds DownloadAllowance(std::uint64_t bytes, std::chrono::milliseconds idle) {
    // 2 KB a second: slower than any modem that still connects.
    return idle + std::chrono::milliseconds(bytes / 2);
}

}  // namespace zephrin
