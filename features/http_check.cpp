// The update request, one plain HTTP/1.1 GET per check, on Boost.Beast.
#include "features/update_check.h"

#include "platform/text.h"

#include <windows.h>

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>

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

constexpr std::size_t kMaxLine = 16384;
constexpr std::size_t kMaxHeader = 64 * 1024;
constexpr std::uint64_t kMaxBody = 1024 * 1024;  // a reply carries one short marker

// The charset parameter of a Content-Type value, lower-cased; empty when there is none.
std::string CharsetOf(std::string_view contentType) {
    const std::string lower = AsciiLower(std::string(contentType));
    size_t at = 0;
    while ((at = lower.find("charset", at)) != std::string::npos) {
        size_t i = at + 7;
        while (i < lower.size() && lower[i] == ' ') ++i;
        if (i < lower.size() && lower[i] == '=') {
            ++i;
            while (i < lower.size() && lower[i] == ' ') ++i;
            if (i < lower.size() && lower[i] == '"') ++i;
            size_t end = i;
            while (end < lower.size() && lower[end] != ';' && lower[end] != '"' && lower[end] != ' ') ++end;
            return lower.substr(i, end - i);
        }
        at = i;
    }
    return {};
}

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
        if (charset.compare(0, p.size(), p) == 0 && charset.size() > p.size() &&
            std::all_of(charset.begin() + static_cast<long>(p.size()), charset.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            const UINT cp = static_cast<UINT>(std::stoul(charset.substr(p.size())));
            if (IsValidCodePage(cp)) return cp;
        }
    }
    return std::nullopt;
}

std::wstring Latin1(const std::string& bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (unsigned char c : bytes) text += static_cast<wchar_t>(c);
    return text;
}

// One request from connect to the last body byte, on the caller's thread.
class Exchange {
public:
    Exchange(net::io_context& ioc, std::string host, unsigned short port, std::chrono::seconds timeout)
        : resolver_(ioc), stream_(ioc), host_(std::move(host)), port_(port), timeout_(timeout) {
        buffer_.max_size(kMaxHeader);
    }

    void Start() {
        resolver_.async_resolve(host_, std::to_string(port_),
                                [this](beast::error_code ec, tcp::resolver::results_type results) {
                                    if (ec) return;
                                    stream_.expires_after(timeout_);
                                    stream_.async_connect(results, [this](beast::error_code ec2, auto) {
                                        if (!ec2) Send();
                                    });
                                });
    }

    bool succeeded() const { return succeeded_; }
    const std::string& body() const { return body_; }
    const std::string& contentType() const { return contentType_; }

private:
    void Send() {
        request_.method(http::verb::get);
        request_.target(kUpdateTarget);
        request_.version(11);
        request_.set(http::field::host, port_ == 80 ? host_ : host_ + ":" + std::to_string(port_));
        request_.set(http::field::accept, "text/html, */*");
        request_.set(http::field::accept_encoding, "identity");
        request_.set(http::field::user_agent, kUpdateUserAgent);
        // One deadline for the whole exchange after connecting.
        stream_.expires_after(timeout_);
        http::async_write(stream_, request_, [this](beast::error_code ec, std::size_t) {
            if (!ec) ReadHeader();
        });
    }

    void ReadHeader() {
        parser_.emplace();
        parser_->header_limit(kMaxHeader);
        parser_->body_limit(kMaxBody);
        http::async_read_header(stream_, buffer_, *parser_, [this](beast::error_code ec, std::size_t) {
            if (ec) return;
            const auto& head = parser_->get();
            if (!LinesFit(head)) return;
            const unsigned status = head.result_int();
            if (status == 100) return ReadHeader();  // the real reply follows
            const bool hasLocation = head.find(http::field::location) != head.end();
            if (status < 200 || status > 299 || (hasLocation && status != 201)) return;
            contentType_ = std::string(head[http::field::content_type]);
            http::async_read(stream_, buffer_, *parser_, [this](beast::error_code ec2, std::size_t) {
                if (ec2) return;
                body_ = parser_->get().body();
                succeeded_ = true;
                beast::error_code ignored;
                stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
            });
        });
    }

    static bool LinesFit(const http::response_header<>& head) {
        if (head.reason().size() + 13 > kMaxLine) return false;
        for (const auto& field : head)
            if (field.name_string().size() + 2 + field.value().size() > kMaxLine) return false;
        return true;
    }

    tcp::resolver resolver_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_;
    http::request<http::empty_body> request_;
    std::optional<http::response_parser<http::string_body>> parser_;
    std::string host_;
    unsigned short port_;
    std::chrono::seconds timeout_;
    bool succeeded_ = false;
    std::string body_;
    std::string contentType_;
};

}  // namespace

std::wstring DecodeReplyBody(const std::string& bytes, const std::string& contentType) {
    const auto codePage = CodePageFor(CharsetOf(contentType));
    if (!codePage || bytes.empty()) return Latin1(bytes);
    const int n = MultiByteToWideChar(*codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return Latin1(bytes);
    std::wstring text(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(*codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return text;
}

int CheckForUpdateAt(const std::string& host, unsigned short port, std::chrono::seconds timeout) {
    try {
        net::io_context ioc;
        auto exchange = std::make_unique<Exchange>(ioc, host, port, timeout);
        exchange->Start();
        ioc.run();
        if (!exchange->succeeded()) return -1;
        return FindUpdateMarker(DecodeReplyBody(exchange->body(), exchange->contentType()));
    } catch (...) {
        return -1;
    }
}

int CheckForUpdate() {
    return CheckForUpdateAt(ZEPHRIN_UPDATE_HOST, ZEPHRIN_UPDATE_PORT, kUpdateTimeout);
}

}  // namespace zephrin
