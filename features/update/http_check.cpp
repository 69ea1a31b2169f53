// The update request, one plain HTTP/1.1 GET per check, on Boost.Beast.
#include "features/update_check.h"

#include <windows.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>
#include <memory>

#include "endpoints.h"
#include "features/resolve.h"
#include "platform/text.h"

#ifndef ZEPHRIN_UPDATE_HOST
#define ZEPHRIN_UPDATE_HOST "update.zephrin.example"
#endif
#ifndef ZEPHRIN_UPDATE_PORT
#define ZEPHRIN_UPDATE_PORT 80
#endif

namespace zephrin {
namespace {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

// Code page for a character-set name, where this system has it.
std::optional<UINT> CodePageFor(const std::string& charset) {
    static const struct {
        const char* name;
        UINT codePage;
    } kNames[] = {
        {"utf-8", CP_UTF8},          {"utf8", CP_UTF8},           {"us-ascii", 20127},
        {"ascii", 20127},            {"windows-1252", 1252},      {"cp1252", 1252},
        {"euc-kr", 51949},           {"ks_c_5601-1987", 949},     {"cp949", 949},
        {"shift_jis", 932},          {"euc-jp", 20932},           {"gb2312", 936},
        {"gbk", 936},                {"big5", 950},               {"koi8-r", 20866},
        {"iso-8859-2", 28592},       {"iso-8859-5", 28595},       {"iso-8859-15", 28605},
    };
    for (const auto& n : kNames)
        if (charset == n.name && IsValidCodePage(n.codePage)) return n.codePage;
    for (const char* prefix : {"windows-", "cp"}) {
        const std::string p(prefix);
        if (charset.compare(0, p.size(), p) == 0 && charset.size() > p.size() && charset.size() - p.size() <= 5 &&
            std::all_of(charset.begin() + static_cast<long>(p.size()), charset.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            const UINT cp = static_cast<UINT>(std::stoul(charset.substr(p.size())));
            if (IsValidCodePage(cp)) return cp;
        }
    }
    return std::nullopt;
}

// One request from connect to the last body byte, on the caller's thread.
class Exchange {
public:
    Exchange(net::io_context& ioc, std::string host, unsigned short port, std::chrono::seconds timeout)
        : stream_(ioc), host_(std::move(host)), port_(port), timeout_(timeout) {}

    void Start(const std::vector<tcp::endpoint>& endpoints, Clock::time_point connectDeadline) {
        stream_.expires_at(connectDeadline);
        stream_.async_connect(endpoints, [this](beast::error_code ec, const tcp::endpoint&) {
            if (!ec) Send();
        });
    }

    const ReplyReader& reader() const { return reader_; }

private:
    void Send() {
        request_.method(http::verb::get);
        request_.target(kUpdateTarget);
        request_.version(11);
        request_.set(http::field::host, HttpHostField(host_, port_));
        request_.set(http::field::accept, "text/html, */*");
        request_.set(http::field::accept_encoding, "identity");
        request_.set(http::field::user_agent, kUpdateUserAgent);
        // One deadline for the whole exchange, however many replies come before the real one.
        exchangeDeadline_ = Clock::now() + timeout_;
        stream_.expires_at(exchangeDeadline_);
        http::async_write(stream_, request_, [this](beast::error_code ec, std::size_t) {
            if (!ec) ReadMore();
        });
    }

    void ReadMore() {
        stream_.async_read_some(net::buffer(chunk_), [this](beast::error_code ec, std::size_t n) {
            ReplyReader::State state = ec == net::error::eof ? reader_.End()
                                       : ec                  ? ReplyReader::State::Failed
                                                             : reader_.Feed(chunk_.data(), n);
            // Bytes that keep coming do not stretch the deadline.
            if (state == ReplyReader::State::NeedMore && Clock::now() < exchangeDeadline_) return ReadMore();
            beast::error_code ignored;
            stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
            stream_.close();
        });
    }

    beast::tcp_stream stream_;
    std::array<char, 8192> chunk_{};
    http::request<http::empty_body> request_;
    ReplyReader reader_;
    std::string host_;
    unsigned short port_;
    std::chrono::seconds timeout_;
    Clock::time_point exchangeDeadline_{};
};

}  // namespace

std::string HttpHostField(const std::string& host, unsigned short port) {
    return port == 80 ? host : host + ":" + std::to_string(port);
}

std::optional<std::wstring> DecodeWithCodePage(const std::string& charset, const std::string& bytes) {
    const auto codePage = CodePageFor(charset);
    if (!codePage || bytes.size() > static_cast<size_t>(INT_MAX)) return std::nullopt;
    const int size = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(*codePage, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(*codePage, 0, bytes.data(), size, text.data(), n);
    return text;
}

int CheckForUpdateWith(const std::string& host, unsigned short port, std::chrono::seconds timeout,
                       const Resolver& resolve) {
    try {
        const auto connectDeadline = Clock::now() + timeout;
        const auto endpoints = ResolveEndpoints(resolve, host, port, connectDeadline);
        if (endpoints.empty()) return -1;
        net::io_context ioc;
        auto exchange = std::make_unique<Exchange>(ioc, host, port, timeout);
        exchange->Start(endpoints, connectDeadline);
        ioc.run();
        return UpdateResult(exchange->reader(), &DecodeWithCodePage);
    } catch (...) {
        return -1;
    }
}

int CheckForUpdateAt(const std::string& host, unsigned short port, std::chrono::seconds timeout) {
    return CheckForUpdateWith(host, port, timeout, &SystemResolve);
}

int CheckForUpdate() { return CheckForUpdateAt(ZEPHRIN_UPDATE_HOST, ZEPHRIN_UPDATE_PORT, kUpdateTimeout); }

}  // namespace zephrin
