#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "harness.h"
#include "loopback_server.h"
#include "features/update_check.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

int Ask(LoopbackServer& server, std::chrono::seconds timeout = 10s) {
    return CheckForUpdateAt("127.0.0.1", server.port(), timeout);
}

int AskWith(const std::string& reply) {
    LoopbackServer server(LoopbackServer::Reply(reply));
    return Ask(server);
}

std::string Ok(const std::string& body, const std::string& extra = "") {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra + "\r\n" + body;
}

}  // namespace

TEST(UpdateRequest, ExactlyTheRequestLineAndFourHeaders) {
    LoopbackServer server(LoopbackServer::Reply(Ok("ORVANE|0")));
    EXPECT_EQ(Ask(server), 0);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0],
              "GET /downloads/update/?product=zephrin&version=7.8.18.2014 HTTP/1.1\r\n"
              "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"
              "Accept: text/html, */*\r\n"
              "Accept-Encoding: identity\r\n"
              "User-Agent: Mozilla/4.0 (compatible; ORVANE)\r\n"
              "\r\n");
}

TEST(UpdateRequest, HostCarriesThePortOnlyWhenItIsNot80) {
    // The shipped build asks port 80; the loopback case above covers the other form on the wire.
    EXPECT_EQ(HttpHostField("update.zephrin.example", 80), "update.zephrin.example");
    EXPECT_EQ(HttpHostField("update.zephrin.example", 8080), "update.zephrin.example:8080");
    EXPECT_EQ(HttpHostField("127.0.0.1", 443), "127.0.0.1:443");
}

// The marker rules themselves are checked on text; here only that a body reaches them.
TEST(UpdateReply, MarkersInTheBody) {
    EXPECT_EQ(AskWith(Ok("  \r\n ORVANE|1 \r\n\t")), 1);
    EXPECT_EQ(AskWith(Ok("nothing here")), -1);
}

TEST(UpdateReply, StatusDecidesBeforeTheBody) {
    EXPECT_EQ(AskWith("HTTP/1.1 404 Not Found\r\nContent-Length: 8\r\n\r\nORVANE|1"), -1);
    EXPECT_EQ(AskWith("HTTP/1.1 500 Oops\r\nContent-Length: 8\r\n\r\nORVANE|1"), -1);
    EXPECT_EQ(AskWith("HTTP/1.1 204 No Content\r\n\r\n"), -1);
    EXPECT_EQ(AskWith(Ok("ORVANE|1", "Location: http://127.0.0.1/elsewhere\r\n")), -1);
    EXPECT_EQ(AskWith("HTTP/1.1 201 Created\r\nLocation: /x\r\nContent-Length: 8\r\n\r\nORVANE|1"), 1);
    EXPECT_EQ(AskWith("HTTP/1.1 abc Odd\r\nContent-Length: 8\r\n\r\nORVANE|1"), -1);
    EXPECT_EQ(AskWith("HTTP/1.1 101 Switching\r\n\r\n"), -1);
}

TEST(UpdateReply, RedirectsAreNeverFollowed) {
    for (const char* status : {"301 Moved Permanently", "302 Found"}) {
        LoopbackServer target(LoopbackServer::Reply(Ok("ORVANE|1")));
        LoopbackServer server(LoopbackServer::Reply(std::string("HTTP/1.1 ") + status +
                                                    "\r\nLocation: http://127.0.0.1:" +
                                                    std::to_string(target.port()) + "/\r\nContent-Length: 0\r\n\r\n"));
        EXPECT_EQ(Ask(server), -1) << status;
        EXPECT_EQ(target.connections(), 0) << status;
    }
}

TEST(UpdateReply, BodyFramings) {
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\nORVA\r\n4\r\nNE|1\r\n0\r\n\r\n"), 1);
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n"
                      "3\r\nabc\r\n8\r\nORVANE|2\r\n0\r\n\r\n"), 2);
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), -1);
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\r\n\r\nuntil the server closes ORVANE|1"), 1);
    EXPECT_EQ(AskWith("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nORVANE|2"), 2);
    EXPECT_EQ(AskWith("HTTP/1.0 200 OK\r\n\r\nORVANE|0"), 0);
}

TEST(UpdateReply, CharsetDecoding) {
    // UTF-16 text would hide the marker unless decoded by its charset.
    std::string utf16;
    for (char c : std::string("ORVANE|1")) utf16 += std::string(1, c) + '\0';
    EXPECT_EQ(AskWith(Ok("\xC3\xA9 ORVANE|2", "Content-Type: text/plain; charset=UTF-8\r\n")), 2);
    EXPECT_EQ(DecodeReplyBody("\xC3\xA9", "text/html; charset=\"utf-8\"", &DecodeWithCodePage), L"\u00E9");
    EXPECT_EQ(DecodeReplyBody("\xC3\xA9", "text/html", &DecodeWithCodePage), L"\u00C3\u00A9") << "ISO-8859-1 by default";
    EXPECT_EQ(DecodeReplyBody("\xE9", "text/html; charset=unknown-set", &DecodeWithCodePage), L"\u00E9");
    EXPECT_EQ(DecodeReplyBody("\x80", "text/html; Charset=windows-1252", &DecodeWithCodePage), L"\u20AC");
}

TEST(UpdateReply, OverlongHeaderLineFails) {
    EXPECT_EQ(AskWith(Ok("ORVANE|1", "X-Long: " + std::string(16400, 'a') + "\r\n")), -1);
    EXPECT_EQ(AskWith(Ok("ORVANE|1", "X-Fits: " + std::string(16000, 'a') + "\r\n")), 1);
}

// Status and header lines end at LF, a CR before it dropped; the body is taken as it came.
TEST(UpdateReply, LinesMayEndInALineFeedAlone) {
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\nContent-Length: 8\n\nORVANE|1"), 1);
    EXPECT_EQ(AskWith("HTTP/1.1 100 Continue\n\nHTTP/1.1 200 OK\r\nContent-Length: 10\n\r\n\nORVANE|2\n"), 2)
        << "mixed line ends, after a 100 reply";
    EXPECT_EQ(AskWith("HTTP/1.1 302 Found\nLocation: /elsewhere\nContent-Length: 8\n\nORVANE|1"), -1)
        << "a redirect is still refused";
    // The line limit counts the line without its end, LF-only lines too.
    const std::string fits = "X-Line: " + std::string(16384 - 8, 'a');
    const std::string over = "X-Line: " + std::string(16385 - 8, 'a');
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\n" + fits + "\nContent-Length: 8\n\nORVANE|1"), 1);
    EXPECT_EQ(AskWith("HTTP/1.1 200 OK\n" + over + "\nContent-Length: 8\n\nORVANE|1"), -1);
}

TEST(UpdateFailures, RefusedStalledAndEndless) {
    unsigned short freePort;
    {
        LoopbackServer probe(LoopbackServer::Reply(""));
        freePort = probe.port();
    }
    EXPECT_EQ(CheckForUpdateAt("127.0.0.1", freePort, 10s), -1) << "connection refused";

    // The request went out and no answer came: only the deadline can end the call.
    LoopbackServer stalled(LoopbackServer::Stall());
    EXPECT_EQ(Ask(stalled, 3s), -1);
    EXPECT_EQ(stalled.requests().size(), 1u);

    LoopbackServer endless(LoopbackServer::Endless("HTTP/1.1 200 OK\r\n\r\nORVANE|1"));
    EXPECT_EQ(Ask(endless, 30s), -1) << "a body past the cap is refused";
    LoopbackServer huge(LoopbackServer::Endless("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\nORVANE|1"));
    EXPECT_EQ(Ask(huge, 30s), -1);
}

// Both deadlines hold whatever the network does. Were either unbounded, these
// calls would never return and the case would fail by its time limit.
TEST(UpdateDeadlines, ResolutionThatNeverAnswersEndsAtTheConnectDeadline) {
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(release, nullptr);
    std::atomic<int> asked{0};
    const Resolver stalls = [release, &asked](const std::string&, const std::string&) {
        ++asked;
        WaitForSingleObject(release, INFINITE);
        return std::vector<std::string>{"127.0.0.1"};
    };
    EXPECT_EQ(CheckForUpdateWith("update.zephrin.example", 80, 2s, stalls), -1);
    EXPECT_EQ(asked.load(), 1);
    // The abandoned resolution stays blocked until the process ends, as a
    // resolver that never answers would; released now, its last steps could
    // race with the end of the test process.
}

TEST(UpdateDeadlines, EndlessContinueRepliesEndAtTheExchangeDeadline) {
    LoopbackServer flood([](SOCKET client, const std::string&) {
        const std::string reply = "HTTP/1.1 100 Continue\r\n\r\n";
        std::string burst;
        for (int i = 0; i < 200; ++i) burst += reply;
        while (send(client, burst.data(), static_cast<int>(burst.size()), 0) > 0) {
        }
    });
    EXPECT_EQ(Ask(flood, 2s), -1);
    EXPECT_EQ(flood.connections(), 1);
}

TEST(UpdateDeadlines, ManyContinueRepliesBeforeTheAnswerAreFine) {
    std::string reply;
    for (int i = 0; i < 50; ++i) reply += "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(AskWith(reply + Ok("ORVANE|1")), 1);
}
