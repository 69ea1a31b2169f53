#include "features/update_reply.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>

#include "platform/text.h"

namespace zephrin {
namespace {

namespace net = boost::asio;
namespace http = boost::beast::http;

constexpr std::size_t kMaxLine = 16384;
constexpr std::size_t kMaxHeader = 64 * 1024;
constexpr std::uint64_t kMaxBody = 1024 * 1024;  // a reply carries one short marker

bool LinesFit(const http::response_header<>& head) {
    if (head.reason().size() + 13 > kMaxLine) return false;
    for (const auto& field : head)
        if (field.name_string().size() + 2 + field.value().size() > kMaxLine) return false;
    return true;
}

// Status and header lines may end at a bare LF, which the parser does not
// take: once the whole head is here, its lines are given to it ending in CR LF.
// The body is never touched. False while the head's empty line has not come.
bool EndHeadLinesWithCrLf(std::string& pending) {
    std::string head;
    size_t start = 0;
    for (size_t lf = pending.find('\n'); lf != std::string::npos; lf = pending.find('\n', start)) {
        size_t end = lf;
        if (end > start && pending[end - 1] == '\r') --end;
        const bool emptyLine = end == start;
        head.append(pending, start, end - start).append("\r\n");
        start = lf + 1;
        if (emptyLine) {
            pending.replace(0, start, head);
            return true;
        }
    }
    return false;
}

std::wstring Latin1(const std::string& bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (unsigned char c : bytes) text += static_cast<wchar_t>(c);
    return text;
}

}  // namespace

int FindUpdateMarker(const std::wstring& replyText) {
    const std::wstring text = TrimControlChars(replyText);
    if (text.find(L"ORVANE|0") != std::wstring::npos) return 0;
    if (text.find(L"ORVANE|1") != std::wstring::npos) return 1;
    if (text.find(L"ORVANE|2") != std::wstring::npos) return 2;
    return -1;
}

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

std::wstring DecodeReplyBody(const std::string& bytes, const std::string& contentType, CharsetDecoder decode) {
    const std::string charset = CharsetOf(contentType);
    if (bytes.empty() || charset.empty() || !decode) return Latin1(bytes);
    if (auto text = decode(charset, bytes)) return *text;
    return Latin1(bytes);
}

struct ReplyReader::Impl {
    std::optional<http::response_parser<http::string_body>> parser;
    std::string pending;  // received, not yet taken by the parser
    State state = State::NeedMore;
    bool headWhole = false;  // the head is in `pending` with its lines ending in CR LF
    bool headerChecked = false;
    std::string body;
    std::string contentType;

    void NewParser() {
        parser.emplace();
        // Room for the CR that each line of a head of the largest size may have been given.
        parser->header_limit(2 * kMaxHeader);
        parser->body_limit(kMaxBody);
        headWhole = false;
        headerChecked = false;
    }

    // The rules for a header the parser has just finished.
    State CheckHeader() {
        const auto& head = parser->get();
        if (!LinesFit(head)) return State::Failed;
        const unsigned status = head.result_int();
        if (status == 100) {  // the real reply follows
            NewParser();
            return State::NeedMore;
        }
        const bool hasLocation = head.find(http::field::location) != head.end();
        if (status < 200 || status > 299 || (hasLocation && status != 201)) return State::Failed;
        contentType = std::string(head[http::field::content_type]);
        headerChecked = true;
        return State::NeedMore;
    }

    State Parse() {
        while (state == State::NeedMore && !pending.empty()) {
            if (!parser->is_header_done() && !headWhole) {
                // A head that cannot fit is never completed.
                if (!EndHeadLinesWithCrLf(pending)) {
                    if (pending.size() > kMaxHeader) state = State::Failed;
                    break;
                }
                headWhole = true;
            }
            boost::beast::error_code ec;
            const std::size_t used = parser->put(net::buffer(pending.data(), pending.size()), ec);
            pending.erase(0, used);
            if (ec == http::error::need_more) {
                // A header that cannot fit is never completed, and no chunk line or
                // trailer may grow past what a whole reply could hold.
                if (pending.size() > (parser->is_header_done() ? kMaxHeader + kMaxBody : kMaxHeader))
                    state = State::Failed;
                break;
            }
            if (ec) return state = State::Failed;
            if (parser->is_header_done() && !headerChecked) {
                state = CheckHeader();
                if (state != State::NeedMore) break;
                if (!parser->is_header_done()) continue;  // a new parser for the reply after "100 Continue"
            }
            if (parser->is_done()) {
                body = parser->get().body();
                state = State::Done;
            } else if (used == 0) {
                break;
            }
        }
        return state;
    }
};

ReplyReader::ReplyReader() : impl_(std::make_unique<Impl>()) { impl_->NewParser(); }
ReplyReader::~ReplyReader() = default;

ReplyReader::State ReplyReader::Feed(const char* data, std::size_t size) {
    if (impl_->state != State::NeedMore) return impl_->state;
    impl_->pending.append(data, size);
    return impl_->Parse();
}

ReplyReader::State ReplyReader::End() {
    Impl& r = *impl_;
    if (r.state != State::NeedMore) return r.state;
    if (!r.pending.empty() || !r.headerChecked) return r.state = State::Failed;
    boost::beast::error_code ec;
    r.parser->put_eof(ec);
    if (ec || !r.parser->is_done()) return r.state = State::Failed;
    r.body = r.parser->get().body();
    return r.state = State::Done;
}

ReplyReader::State ReplyReader::state() const { return impl_->state; }
const std::string& ReplyReader::body() const { return impl_->body; }
const std::string& ReplyReader::contentType() const { return impl_->contentType; }

int UpdateResult(const ReplyReader& reader, CharsetDecoder decode) {
    if (reader.state() != ReplyReader::State::Done) return -1;
    return FindUpdateMarker(DecodeReplyBody(reader.body(), reader.contentType(), decode));
}

int UpdateResultFromReply(std::string_view bytes, CharsetDecoder decode) {
    ReplyReader reader;
    if (reader.Feed(bytes.data(), bytes.size()) == ReplyReader::State::NeedMore) reader.End();
    return UpdateResult(reader, decode);
}

}  // namespace zephrin
