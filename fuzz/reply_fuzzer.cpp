// Any bytes a server may send, through the whole reply path: Beast's parser,
// the status and Location rules, the charset and the marker search.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "features/update_reply.h"

// Beast's assertions stay on here, with one exception: in Boost 1.81 the chunk
// parser asserts that it sees at least five bytes when a reply's last chunk
// arrives in pieces ("0\r\n", then "\r", then "\n"), where three or four are
// valid and the code after the assertion asks for more, as it should. Beast
// removed that assertion later (boostorg/beast pull request 2861); every other
// assertion still ends the run.
namespace boost {
void assertion_failed(char const* expr, char const* function, char const* file, long line) {
    if (std::strcmp(expr, "n >= 5") == 0 && std::strstr(function, "parse_chunk_header")) return;
    std::fprintf(stderr, "%s:%ld: %s: Assertion `%s' failed.\n", file, line, function, expr);
    std::abort();
}
void assertion_failed_msg(char const* expr, char const* msg, char const* function, char const* file, long line) {
    std::fprintf(stderr, "%s:%ld: %s: Assertion `%s' failed: %s\n", file, line, function, expr, msg);
    std::abort();
}
}  // namespace boost

namespace {

// The fuzzer's stand-in for the system's code pages: the C library's converters.
std::optional<std::wstring> DecodeWithIconv(const std::string& charset, const std::string& bytes) {
    iconv_t cd = iconv_open("WCHAR_T", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::wstring text(bytes.size() + 1, L'\0');
    std::string input = bytes;
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = reinterpret_cast<char*>(text.data());
    size_t outLeft = text.size() * sizeof(wchar_t);
    const size_t rc = iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return std::nullopt;
    text.resize(text.size() - outLeft / sizeof(wchar_t));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int whole = zephrin::UpdateResultFromReply(bytes, &DecodeWithIconv);
    if (whole < -1 || whole > 2) std::abort();

    // The network hands the same bytes over in pieces; the answer must not depend on where they break.
    if (size > 1) {
        const size_t cut = data[size - 1] % size;
        zephrin::ReplyReader reader;
        reader.Feed(bytes.data(), cut);
        reader.Feed(bytes.data() + cut, size - cut);
        if (reader.state() == zephrin::ReplyReader::State::NeedMore) reader.End();
        if (zephrin::UpdateResult(reader, &DecodeWithIconv) != whole) std::abort();
    }
    return 0;
}
