#include "http_get.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/detail/winsock_init.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>
#include <optional>

#include "features/update_check.h"
#include "platform/trace.h"

namespace zephrin {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

// Asio starts Winsock while the program starts, in every program that links
// it, and with that loads ws2_32.dll into processes that never use the
// network. This marks Winsock as started by us before any of Asio's own
// objects are made (the earliest priority there is), so that Asio leaves it
// alone; StartWinsock then starts it for real at the first request.
static boost::asio::detail::winsock_init<>::manual winsockStartedByUs __attribute__((init_priority(101)));

void StartWinsock() {
    // Never cleaned up: a name may still be resolving on a thread of its own when a request ends.
    static const bool started = [] {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 0), &data) == 0) return true;
        TraceSwallowed(L"Winsock did not start");
        return false;
    }();
    (void)started;
}

std::string HttpHostField(const std::string& host, unsigned short port) {
    return port == 80 ? host : host + ":" + std::to_string(port);
}

void FetchCancel::Cancel() {
    cancelled_ = true;
    Locked lock(mutex_);
    if (running_) running_->stop();
}

class HttpGetRun {
public:
    HttpGetRun(const HttpGetDeadlines& deadlines, FetchCancel* cancel)
        : deadlines_(deadlines), cancel_(cancel), stream_(ioc_) {
        if (!cancel_) return;
        Locked lock(cancel_->mutex_);
        cancel_->running_ = &ioc_;
    }
    ~HttpGetRun() {
        if (!cancel_) return;
        Locked lock(cancel_->mutex_);
        cancel_->running_ = nullptr;
    }
    HttpGetRun(const HttpGetRun&) = delete;
    HttpGetRun& operator=(const HttpGetRun&) = delete;

    HttpGetEnd Run(const HttpGetRequest& request, const std::vector<tcp::endpoint>& endpoints,
                   Clock::time_point connectDeadline, const HttpBytes& receive) {
        stream_.expires_at(connectDeadline);
        beast::error_code ec;
        if (!Step([&](auto done) { stream_.async_connect(endpoints, [done](beast::error_code e, const tcp::endpoint&) { done(e); }); }, ec))
            return Stopped();
        if (ec) return ec == beast::error::timeout ? HttpGetEnd::Stalled : HttpGetEnd::Unreachable;

        http::request<http::empty_body> message{http::verb::get, request.target, 11};
        message.set(http::field::host, HttpHostField(request.host, request.port));
        for (const auto& [name, value] : request.headers) message.insert(name, value);
        // One deadline for the whole exchange: bytes that keep coming do not stretch it.
        end_ = Clock::now() + deadlines_.total;
        Arm();
        if (!Step([&](auto done) { http::async_write(stream_, message, [done](beast::error_code e, std::size_t) { done(e); }); }, ec))
            return Stopped();
        if (ec) return Failure(ec);

        for (;;) {
            // A server that keeps sending never gets past the end of the exchange.
            if (Clock::now() >= end_) return Close(HttpGetEnd::Stalled);
            Arm();
            std::size_t got = 0;
            if (!Step([&](auto done) {
                    stream_.async_read_some(net::buffer(chunk_), [done, &got](beast::error_code e, std::size_t n) {
                        got = n;
                        done(e);
                    });
                }, ec))
                return Stopped();
            if (got > 0 && !receive(chunk_.data(), got)) return Close(HttpGetEnd::Taken);
            if (ec == net::error::eof) return Close(HttpGetEnd::Closed);
            if (ec) return Failure(ec);
        }
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
        if (cancel_ && cancel_->cancelled()) return false;
        ioc_.run();
        return finished && !(cancel_ && cancel_->cancelled());
    }

    // The next step waits no longer than the idle deadline, nor past the end of the exchange.
    void Arm() {
        const auto now = Clock::now();
        stream_.expires_at(std::min(end_, now + std::chrono::duration_cast<Clock::duration>(deadlines_.idle)));
    }

    HttpGetEnd Close(HttpGetEnd end) {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
        return end;
    }

    HttpGetEnd Stopped() const { return cancel_ && cancel_->cancelled() ? HttpGetEnd::Cancelled : HttpGetEnd::Broken; }

    static HttpGetEnd Failure(const beast::error_code& ec) {
        return ec == beast::error::timeout ? HttpGetEnd::Stalled : HttpGetEnd::Broken;
    }

    const HttpGetDeadlines& deadlines_;
    FetchCancel* cancel_;  // borrowed; may be null
    net::io_context ioc_;
    beast::tcp_stream stream_;
    std::array<char, 16384> chunk_{};
    Clock::time_point end_{};
};

HttpGetEnd HttpGet(const HttpGetRequest& request, const HttpGetDeadlines& deadlines, const HttpBytes& receive,
                   const Resolver& resolve, FetchCancel* cancel) {
    try {
        StartWinsock();
        const auto connectDeadline = Clock::now() + deadlines.connect;
        const auto endpoints =
            ResolveEndpoints(resolve, request.host, request.port, connectDeadline, cancel ? cancel->flag() : nullptr);
        if (cancel && cancel->cancelled()) return HttpGetEnd::Cancelled;
        if (endpoints.empty()) return HttpGetEnd::Unreachable;
        HttpGetRun run(deadlines, cancel);
        return run.Run(request, endpoints, connectDeadline, receive);
    } catch (...) {
        TraceSwallowed(L"the HTTP exchange failed");
        // Boost reports some failures by throwing; to the caller they are a broken exchange.
        return cancel && cancel->cancelled() ? HttpGetEnd::Cancelled : HttpGetEnd::Broken;
    }
}

}  // namespace zephrin
