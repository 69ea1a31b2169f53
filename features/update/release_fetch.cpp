// One file from the update server, over the update library's GET client: the
// reply is read as it arrives, its body handed on, and held to what the
// signed manifest allows.
#include "features/release_fetch.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/buffer_body.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>

#include <array>
#include <optional>
#include <string>

#include "http_get.h"
#include "platform/identity.h"
#include "platform/trace.h"

namespace zephrin {

namespace http = boost::beast::http;

namespace {

// The reply, from its bytes: 200 with a known length, no redirect, the body
// within the limits, each piece handed to the sink as it is read.
class FetchReader {
public:
    FetchReader(const FetchLimits& limits, const FetchSink& sink) : limits_(limits), sink_(sink) {
        parser_.header_limit(kHeaderLimit);
        parser_.body_limit(limits_.maxBytes);
    }

    // False once the outcome is known.
    bool Feed(const char* data, std::size_t size) {
        pending_.append(data, size);
        while (!outcome_ && !pending_.empty()) {
            boost::beast::error_code ec;
            std::size_t used = 0;
            if (!parser_.is_header_done()) {
                used = parser_.put(boost::asio::buffer(pending_.data(), pending_.size()), ec);
                pending_.erase(0, used);
                if (ec == http::error::need_more) {
                    // A line that never ends cannot grow what is held without bound.
                    if (pending_.size() > kHeaderLimit) outcome_ = FetchResult::Broken;
                    break;
                }
                // A length past the limit is refused as soon as the head says it.
                if (ec == http::error::body_limit) return Fail(FetchResult::TooLong);
                if (ec) return Fail(FetchResult::Broken);
                if (parser_.is_header_done()) CheckHead();
                continue;
            }
            parser_.get().body().data = piece_.data();
            parser_.get().body().size = piece_.size();
            used = parser_.put(boost::asio::buffer(pending_.data(), pending_.size()), ec);
            pending_.erase(0, used);
            if (ec == http::error::need_buffer) ec = {};
            const std::size_t n = piece_.size() - parser_.get().body().size;
            received_ += n;
            if (n > 0 && !sink_(piece_.data(), n)) return Fail(FetchResult::SinkFailed);
            if (ec == http::error::body_limit) return Fail(FetchResult::TooLong);
            if (ec == http::error::need_more) break;
            if (ec) return Fail(FetchResult::Broken);
            if (parser_.is_done()) outcome_ = received_ == limits_.maxBytes || !limits_.exact ? FetchResult::Done
                                                                                              : FetchResult::TooShort;
            if (used == 0 && n == 0) break;
        }
        return !outcome_;
    }

    // What the reply came to, given how the exchange ended.
    FetchResult Outcome(HttpGetEnd end) const {
        if (outcome_) return *outcome_;
        switch (end) {
        case HttpGetEnd::Cancelled: return FetchResult::Cancelled;
        case HttpGetEnd::Unreachable: return FetchResult::Unreachable;
        case HttpGetEnd::Stalled: return FetchResult::Stalled;
        case HttpGetEnd::Closed: return FetchResult::TooShort;
        case HttpGetEnd::Broken:
        case HttpGetEnd::Taken: break;
        }
        return FetchResult::Broken;
    }

private:
    void CheckHead() {
        const auto& head = parser_.get();
        // Redirects are never followed: the setup program comes from where the signed manifest says.
        if (head.result_int() != 200 || head.find(http::field::location) != head.end()) {
            outcome_ = FetchResult::Refused;
            return;
        }
        // The length is known before the first body byte, or the reply is not taken: a chunked or
        // close-delimited body could not be held to the signed size before it arrives.
        const auto length = parser_.content_length();
        if (!length) outcome_ = FetchResult::Refused;
        else if (*length > limits_.maxBytes) outcome_ = FetchResult::TooLong;
        else if (limits_.exact && *length < limits_.maxBytes) outcome_ = FetchResult::TooShort;
        else if (*length == 0) outcome_ = FetchResult::Done;
    }
    bool Fail(FetchResult result) {
        outcome_ = result;
        return false;
    }

    // What the reader may hold at once: the head's limit and a little more.
    static constexpr std::size_t kHeaderLimit = 64 * 1024;
    const FetchLimits& limits_;
    const FetchSink& sink_;
    http::response_parser<http::buffer_body> parser_;
    std::string pending_;
    std::array<char, 16384> piece_{};
    std::uint64_t received_ = 0;
    std::optional<FetchResult> outcome_;
};

}  // namespace

FetchResult Fetch(const FetchTarget& target, const FetchLimits& limits, const FetchSink& sink, FetchCancel& cancel,
                  const Resolver& resolve) {
    try {
        HttpGetRequest request;
        request.host = target.host;
        request.port = target.port;
        request.target = target.path;
        request.headers = {{"User-Agent", std::string("ZephrinUpdate/") + kProductVersionAscii},
                           {"Accept", "*/*"},
                           {"Accept-Encoding", "identity"},
                           {"Connection", "close"}};
        HttpGetDeadlines deadlines;
        deadlines.connect = limits.connect;
        deadlines.idle = limits.idle;
        deadlines.total = limits.total;
        FetchReader reader(limits, sink);
        const HttpGetEnd end = HttpGet(request, deadlines, [&reader](const char* data, std::size_t size) {
            return reader.Feed(data, size);
        }, resolve, &cancel);
        if (cancel.cancelled()) return FetchResult::Cancelled;
        return reader.Outcome(end);
    } catch (...) {
        TraceSwallowed(L"the HTTP exchange failed");
        // Boost reports some failures by throwing; to the caller they are a broken exchange.
        return cancel.cancelled() ? FetchResult::Cancelled : FetchResult::Broken;
    }
}

std::chrono::milliseconds DownloadAllowance(std::uint64_t bytes, std::chrono::milliseconds idle) {
    // 2 KB a second: slower than any modem that still connects.
    return idle + std::chrono::milliseconds(bytes / 2);
}

}  // namespace zephrin
