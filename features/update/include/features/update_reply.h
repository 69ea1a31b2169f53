#pragma once
// What the update server's reply means, from the bytes it sends: Beast's
// parser, the status and Location rules, the charset and the marker. Nothing
// here needs Windows, so the same code runs natively under a fuzzer; the
// charset conversion itself comes in through a function the caller passes.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zephrin {

// 0, 1 or 2 for the first marker found in that order; -1 for none.
int FindUpdateMarker(const std::wstring& replyText);
// The charset parameter of a Content-Type value, lower-cased; empty when there is none.
std::string CharsetOf(std::string_view contentType);

// Body bytes in a named charset to text; nullopt when that charset is not known here.
using CharsetDecoder = std::optional<std::wstring> (*)(const std::string& charset, const std::string& bytes);
// Body bytes to text by the reply's charset, else ISO-8859-1.
std::wstring DecodeReplyBody(const std::string& bytes, const std::string& contentType, CharsetDecoder decode);

// Reads one reply as its bytes arrive: any number of "100 Continue" replies,
// then one that must be a 2xx without a redirect, with its whole body.
class ReplyReader {
public:
    enum class State { NeedMore, Done, Failed };
    ReplyReader();
    ~ReplyReader();
    ReplyReader(const ReplyReader&) = delete;
    ReplyReader& operator=(const ReplyReader&) = delete;

    State Feed(const char* data, std::size_t size);
    // The server closed the connection.
    State End();
    State state() const;
    const std::string& body() const;
    const std::string& contentType() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// What a reader's reply says: its marker, or -1 when the reply was not read whole and accepted.
int UpdateResult(const ReplyReader& reader, CharsetDecoder decode);
// A whole reply's bytes, followed by the end of the connection: 0, 1, 2, or -1 for anything else.
int UpdateResultFromReply(std::string_view bytes, CharsetDecoder decode);

}  // namespace zephrin
