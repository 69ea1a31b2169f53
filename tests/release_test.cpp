// What the updater trusts, without its window: the system's SHA-256 and RSA
// checks against keys made for this build, the manifest's rules, and
// downloads from servers that stall or are not there.
#include <gtest/gtest.h>

#include "features/release_update.h"
#include "harness.h"
#include "platform/threads.h"
#include "loopback_server.h"
#include "platform/crypto.h"

using namespace zephrin;
using namespace zephrin::test;
using namespace std::chrono_literals;

namespace {

std::string TestKey(const char* name) { return ReadFileBytes(HostPath(std::string(ZEPHRIN_TEST_KEY_DIR "/") + name)); }
std::string CaseFile(const std::string& relative) {
    return ReadFileBytes(HostPath(std::string(ZEPHRIN_RELEASE_CASES_DIR "/") + relative));
}

const char kValid[] =
    "ZEPHRIN-RELEASE 1\n"
    "version: 7.8.19.2015\n"
    "setup: /downloads/zephrin/ZephrinSetup-7.8.19.2015.exe\n"
    "size: 661111\n"
    "sha256: 0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef\n"
    "issued: 2026-12-10T09:30:00Z\n"
    "expires: 2027-02-08T09:30:00Z\n"
    "serial: 42\n";

std::string With(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace

TEST(ReleaseSignature, TheSystemChecksEveryByteAgainstTheKey) {
    const std::string manifest = CaseFile("newer/release.manifest");
    const auto split = SplitSignature(manifest);
    ASSERT_TRUE(split.has_value()) << manifest;
    const std::string key = TestKey("release.pub.pem");
    ASSERT_FALSE(key.empty());
    EXPECT_EQ(VerifyRsaSha256(key, split->signedPart, split->signature), SignatureCheck::Valid);
    const std::string data(split->signedPart);
    for (size_t at : {size_t{0}, data.size() / 2, data.size() - 1}) {
        std::string changed = data;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        EXPECT_EQ(VerifyRsaSha256(key, changed, split->signature), SignatureCheck::Invalid) << "byte " << at;
    }
    EXPECT_EQ(VerifyRsaSha256(key, data + "\n", split->signature), SignatureCheck::Invalid) << "a byte more";
    auto signature = split->signature;
    signature[signature.size() / 2] ^= 0x80;
    EXPECT_EQ(VerifyRsaSha256(key, data, signature), SignatureCheck::Invalid);
    signature = split->signature;
    signature.pop_back();
    EXPECT_EQ(VerifyRsaSha256(key, data, signature), SignatureCheck::Invalid);
    EXPECT_EQ(VerifyRsaSha256(TestKey("other.pub.pem"), data, split->signature), SignatureCheck::Invalid);
    // A key the updater cannot even read checks nothing, and is never taken for a pass.
    EXPECT_EQ(VerifyRsaSha256("-----BEGIN PUBLIC KEY-----\nAAAA\n-----END PUBLIC KEY-----\n", data, split->signature),
              SignatureCheck::Unavailable);
    // The key's encoding is read by our own code: line ends of either kind, and nothing that runs past its end.
    std::string crlf;
    for (char c : key) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(VerifyRsaSha256(crlf, data, split->signature), SignatureCheck::Valid);
    const size_t cut = key.find("-----END");
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(VerifyRsaSha256(key.substr(0, cut - 40) + "\n" + key.substr(cut), data, split->signature),
              SignatureCheck::Unavailable) << "a modulus cut short";
    for (const char* body : {"MIL//zA=", "MA==", "MAMGAQA=", "A*AA"})
        EXPECT_EQ(VerifyRsaSha256(std::string("-----BEGIN PUBLIC KEY-----\n") + body + "\n-----END PUBLIC KEY-----\n",
                                  data, split->signature),
                  SignatureCheck::Unavailable) << body;
}

TEST(ReleaseSignature, Sha256GivesTheStandardDigestsWholeOrInPieces) {
    Sha256 empty;
    EXPECT_EQ(empty.FinishHex(), std::optional<std::string>(
                                     "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"));
    const std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const std::string expected = "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1";
    Sha256 whole;
    whole.Add(text.data(), text.size());
    EXPECT_EQ(whole.FinishHex(), std::optional<std::string>(expected));
    Sha256 pieces;
    for (char c : text) pieces.Add(&c, 1);
    EXPECT_EQ(pieces.FinishHex(), std::optional<std::string>(expected));
}

TEST(ReleaseManifest, TheSignatureLineIsLastAndCoversEverythingBeforeIt) {
    const std::string manifest = std::string(kValid) + "signature: 00ab\n";
    const auto split = SplitSignature(manifest);
    ASSERT_TRUE(split.has_value());
    EXPECT_EQ(split->signedPart, kValid);
    EXPECT_EQ(split->signature, (std::vector<unsigned char>{0x00, 0xab}));
    EXPECT_TRUE(SplitSignature(std::string(kValid) + "signature: 00ab").has_value()) << "a last line without its end";
    for (const std::string tail : {"signature: 00AB\n", "signature: 0ab\n", "signature: \n", "signature: 00ab\nx\n",
                                   "signature: 00 ab\n", ""}) {
        EXPECT_FALSE(SplitSignature(std::string(kValid) + tail).has_value()) << tail;
    }
}

TEST(ReleaseManifest, OnlyAWellFormedReleaseIsRead) {
    const auto release = ParseRelease(kValid);
    ASSERT_TRUE(release.has_value());
    EXPECT_EQ(release->version, "7.8.19.2015");
    EXPECT_EQ(release->setupPath, "/downloads/zephrin/ZephrinSetup-7.8.19.2015.exe");
    EXPECT_EQ(release->size, 661111u);
    EXPECT_EQ(release->sha256, "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef");
    EXPECT_EQ(release->issued, 1796895000);
    EXPECT_EQ(release->expires - release->issued, kMaxManifestLife) << "sixty days is the longest life";
    EXPECT_EQ(release->serial, 42u);
    EXPECT_TRUE(ParseRelease(std::string(kValid) + "notes: fields this version does not know are left alone\n"));
    const std::string refused[] = {
        With(kValid, "ZEPHRIN-RELEASE 1", "ZEPHRIN-RELEASE 2"),
        With(kValid, "size: 661111\n", ""),
        std::string(kValid) + "size: 1\n",
        With(kValid, "\nsha256", "\r\nsha256"),
        std::string(kValid).substr(0, sizeof kValid - 2),  // the last line does not end
        With(kValid, "/downloads/zephrin/", "/downloads/../"),
        With(kValid, "/downloads/zephrin/", "http://elsewhere.example/"),
        With(kValid, "/downloads/zephrin/", "//elsewhere.example/"),
        With(kValid, "/downloads/zephrin/", "downloads/zephrin/"),
        With(kValid, "size: 661111", "size: 0"),
        With(kValid, "size: 661111", "size: 268435457"),
        With(kValid, "size: 661111", "size: -1"),
        With(kValid, "0123456789abcdef\n", "0123456789ABCDEF\n"),
        With(kValid, "0123456789abcdef\n", "0123456789abcde\n"),
        With(kValid, "7.8.19.2015", "7.8.19"),
        With(kValid, "7.8.19.2015", "7.8.19.70000"),
        With(kValid, "issued: 2026-12-10T09:30:00Z\n", ""),
        With(kValid, "expires: 2027-02-08T09:30:00Z\n", ""),
        With(kValid, "serial: 42\n", ""),
        With(kValid, "2027-02-08T09:30:00Z", "2027-02-08T09:30:01Z"),  // a second over sixty days
        With(kValid, "2027-02-08T09:30:00Z", "2026-12-10T09:30:00Z"),  // expires as it is issued
        With(kValid, "2026-12-10T09:30:00Z", "2026-12-10 09:30:00Z"),
        With(kValid, "2026-12-10T09:30:00Z", "2026-12-10T09:30:00+09:00"),
        With(kValid, "serial: 42", "serial: 0"),
        With(kValid, "serial: 42", "serial: 4294967296"),
        With(kValid, "serial: 42", "serial: -42"),
    };
    for (const auto& text : refused) EXPECT_FALSE(ParseRelease(text).has_value()) << text;
}

TEST(ReleaseManifest, UtcTimesCountFromTheCalendar) {
    EXPECT_EQ(ParseUtcTime("1970-01-01T00:00:00Z"), std::optional<std::int64_t>(0));
    EXPECT_EQ(ParseUtcTime("2000-02-29T23:59:59Z"), std::optional<std::int64_t>(951868799));
    EXPECT_EQ(ParseUtcTime("2038-01-19T03:14:08Z"), std::optional<std::int64_t>(2147483648)) << "past 32 bits";
    for (const char* wrong : {"2100-02-29T00:00:00Z", "2026-04-31T00:00:00Z", "2026-13-01T00:00:00Z",
                              "2026-12-10T24:00:00Z", "1969-12-31T23:59:59Z", "2026-12-10T09:30:00", "2026-1-10T09:30:00Z"})
        EXPECT_FALSE(ParseUtcTime(wrong).has_value()) << wrong;
}

TEST(ReleaseManifest, AManifestIsStaleOnceExpiredByABelievableClockOrOlderThanOneActedOn) {
    const Release release = *ParseRelease(kValid);
    const std::int64_t built = *ParseUtcTime("2026-12-01T00:00:00Z");
    EXPECT_EQ(JudgeFreshness(release, release.expires, built, 0), Freshness::Fresh) << "to the second it expires";
    EXPECT_EQ(JudgeFreshness(release, release.expires + 1, built, 0), Freshness::Expired);
    EXPECT_EQ(JudgeFreshness(release, release.issued - 86400, built, 42), Freshness::Fresh) << "a clock behind, the same serial";
    // A clock set before this updater was built is wrong: it cannot say a manifest expired, but a serial still counts.
    const std::int64_t afterExpiry = release.expires + 3600, builtLater = release.expires + 86400;
    EXPECT_EQ(JudgeFreshness(release, afterExpiry, builtLater, 0), Freshness::Fresh);
    EXPECT_EQ(JudgeFreshness(release, afterExpiry, builtLater, 43), Freshness::Replayed);
    EXPECT_EQ(JudgeFreshness(release, release.issued, built, 43), Freshness::Replayed);
}

TEST(ReleaseManifest, VersionsCompareAsNumbersPartByPart) {
    EXPECT_EQ(CompareVersions("7.8.18.2014", "7.8.18.2014"), std::optional<int>(0));
    EXPECT_EQ(CompareVersions("7.8.19.0", "7.8.18.2014"), std::optional<int>(1));
    EXPECT_EQ(CompareVersions("7.10.0.0", "7.9.99.99"), std::optional<int>(1)) << "not as text";
    EXPECT_EQ(CompareVersions("7.8.18.2013", "7.8.18.2014"), std::optional<int>(-1));
    EXPECT_FALSE(CompareVersions("7.8.18", "7.8.18.2014").has_value());
    EXPECT_FALSE(CompareVersions("7.8.18.x", "7.8.18.2014").has_value());
    EXPECT_FALSE(CompareVersions("7..18.1", "7.8.18.2014").has_value());
}

class ReleaseDownload : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        folder_ = std::wstring(temp) + L"zephrin-release-test\\";
        CreateDirectoryW(folder_.c_str(), nullptr);

        key_ = TestKey("release.pub.pem");
    }
    void TearDown() override { RemoveDirectoryW(folder_.c_str()); }
    // Whatever a download left in the folder: nothing, when it failed.
    std::vector<std::wstring> Leftovers() const {
        std::vector<std::wstring> names;
        for (const auto& name : FilesIn(folder_, L"*"))
            if (name != L"." && name != L"..") names.push_back(name);
        return names;
    }
    HeldFolder Staging() const { return *HeldFolder::Take(folder_, {}); }
    ReleaseSource At(unsigned short port) const { return ReleaseSource{"127.0.0.1", port, {key_}, 1000ms}; }
    SetupDownload Download(unsigned short port, FetchCancel& cancel) {
        Release release{"99.0.0.0", "/downloads/zephrin/ZephrinSetup-99.exe", 1000,
                        "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"};
        return DownloadSetup(At(port), release, Staging(), nullptr, cancel);
    }
    std::wstring folder_;
    std::string key_;
};

TEST_F(ReleaseDownload, StallsAndAbsentServersEndInTimeAndLeaveNoFile) {
    {
        LoopbackServer silent(LoopbackServer::Stall());
        FetchCancel cancel;
        const auto check = CheckRelease(At(silent.port()), "7.8.18.2014", {}, cancel);
        ASSERT_TRUE(std::holds_alternative<UpdateFailure>(check));
        EXPECT_EQ(std::get<UpdateFailure>(check), UpdateFailure::NotDownloaded) << "a manifest that never comes";
    }
    {
        // Part of the setup program, then nothing more.
        LoopbackServer stalls([](SOCKET s, const std::string&) {
            const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(100, 'M');
            send(s, head.data(), static_cast<int>(head.size()), 0);
            char buf[256];
            while (recv(s, buf, sizeof buf, 0) > 0) {
            }
        });
        FetchCancel cancel;
        const auto got = Download(stalls.port(), cancel);
        ASSERT_TRUE(std::holds_alternative<UpdateFailure>(got));
        EXPECT_EQ(std::get<UpdateFailure>(got), UpdateFailure::NotDownloaded);
        EXPECT_EQ(Leftovers(), std::vector<std::wstring>{});
    }
    unsigned short closedPort = 0;
    { closedPort = LoopbackServer(LoopbackServer::Stall()).port(); }
    FetchCancel cancel;
    const auto check = CheckRelease(At(closedPort), "7.8.18.2014", {}, cancel);
    ASSERT_TRUE(std::holds_alternative<UpdateFailure>(check));
    EXPECT_EQ(std::get<UpdateFailure>(check), UpdateFailure::Unreachable);
}

TEST_F(ReleaseDownload, OnlyRepliesThatGiveTheirLengthAreTaken) {
    // A chunked reply whose size line never ends, a close-delimited one of the right size, and a head
    // line that never ends: each is refused before its body is read, in the reader's bounded buffer.
    const std::string body(1000, 'M');
    const std::vector<LoopbackServer::Script> replies = {
        LoopbackServer::Endless("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1;"),
        LoopbackServer::Reply("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body),
        LoopbackServer::Endless("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nX-Pad: "),
    };
    for (size_t i = 0; i < replies.size(); ++i) {
        SCOPED_TRACE(i);
        LoopbackServer server(replies[i]);
        FetchCancel cancel;
        const auto got = Download(server.port(), cancel);
        ASSERT_TRUE(std::holds_alternative<UpdateFailure>(got));
        EXPECT_EQ(std::get<UpdateFailure>(got), UpdateFailure::NotDownloaded);
        EXPECT_EQ(Leftovers(), std::vector<std::wstring>{});
        FetchCancel again;
        const auto check = CheckRelease(At(server.port()), "7.8.18.2014", {}, again);
        ASSERT_TRUE(std::holds_alternative<UpdateFailure>(check));
        EXPECT_EQ(std::get<UpdateFailure>(check), UpdateFailure::NotDownloaded) << "nor as a manifest";
    }
}

TEST_F(ReleaseDownload, ACancelStopsTheDownloadAndRemovesTheFile) {
    LoopbackServer endless(LoopbackServer::Stall());
    FetchCancel cancel;
    Thread canceller([&] {
        // Once the request has come, the download is under way.
        WaitUntil([&] { return !endless.requests().empty(); }, 5s);
        cancel.Cancel();
    });
    Release release{"99.0.0.0", "/downloads/zephrin/ZephrinSetup-99.exe", 1000,
                    "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"};
    ReleaseSource source = At(endless.port());
    source.deadline = 60s;  // past the test's own limit: only the cancel can end it
    const auto got = DownloadSetup(source, release, Staging(), nullptr, cancel);
    canceller.Join();
    ASSERT_TRUE(std::holds_alternative<UpdateFailure>(got));
    EXPECT_EQ(std::get<UpdateFailure>(got), UpdateFailure::Cancelled);
    EXPECT_EQ(Leftovers(), std::vector<std::wstring>{});
}

TEST(StagingFolder, TakesOnlyPlainLocalFoldersAndRemovesOnlyTheDownloadsOwn) {
    const std::wstring root = TempFolder() + L"zephrin-staging-test\\";
    CreateDirectoryW(root.c_str(), nullptr);
    CreateDirectoryW((root + L"Made").c_str(), nullptr);  // a level that exists already is taken over
    auto held = HeldFolder::Take(root, {L"Made", L"New"});
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->path(), root + L"Made\\New\\");
    EXPECT_EQ(GetFileAttributesW((root + L"Made\\New").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));

    // Each download's folder has a name of its own that nobody can know ahead.
    auto other = HeldFolder::Take(root, {L"Made", L"New"});
    ASSERT_TRUE(held->AddNewLevel(L"ZephrinUpdate-") && other->AddNewLevel(L"ZephrinUpdate-"));
    EXPECT_NE(held->path(), other->path());
    EXPECT_EQ(held->path().size(), (root + L"Made\\New\\ZephrinUpdate-0123456789abcdef\\").size());
    const std::wstring download = held->path();
    held->RemoveAddedLevels();
    EXPECT_EQ(held->path(), root + L"Made\\New\\");
    EXPECT_EQ(GetFileAttributesW(download.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(held->path().c_str()), INVALID_FILE_ATTRIBUTES) << "the staging folder stays";
    other->RemoveAddedLevels();

    // A file where a level should be, a name that climbs or descends, a share: none is taken.
    HANDLE file = CreateFileW((root + L"Made\\New\\File").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
    EXPECT_FALSE(HeldFolder::Take(root, {L"Made", L"New", L"File"}).has_value());
    EXPECT_FALSE(HeldFolder::Take(root, {L"Made\\..\\Made"}).has_value());
    EXPECT_FALSE(HeldFolder::Take(L"\\\\127.0.0.1\\c$\\", {L"Made"}).has_value());
    EXPECT_FALSE(HeldFolder::Take(root + L"Missing\\", {L"Made"}).has_value());

    EXPECT_TRUE(DeleteThroughHandle(root + L"Made\\New\\File"));
    EXPECT_EQ(GetFileAttributesW((root + L"Made\\New\\File").c_str()), INVALID_FILE_ATTRIBUTES);
    other.reset();
    held.reset();
    for (const wchar_t* level : {L"Made\\New", L"Made", L""}) RemoveDirectoryW((root + level).c_str());
}

// A level that cannot be made ours must not stop updates: the download goes into a new folder of ours
// right below the common data folder, and both go with it.
TEST(StagingFolder, ALevelThatCannotBeTakenGivesWayToANewFolderOfOurOwn) {
    const std::wstring root = TempFolder() + L"zephrin-staging-fallback\\";
    CreateDirectoryW(root.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(root + L"ORVANE", "a file where the maker's folder should be"));
    auto held = TakeStagingFolder(root);
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->path().rfind(root + L"ZephrinUpdates-", 0), 0u) << Narrow(held->path());
    ASSERT_TRUE(held->AddNewLevel(L"ZephrinUpdate-"));
    held->RemoveAddedLevels();
    EXPECT_EQ(held->path(), root);
    EXPECT_EQ(FilesIn(root, L"ZephrinUpdate*"), std::vector<std::wstring>{}) << "nothing of ours is left";
    EXPECT_EQ(ReadFileBytes(root + L"ORVANE"), "a file where the maker's folder should be");
    held.reset();
    DeleteFileW((root + L"ORVANE").c_str());
    RemoveDirectoryW(root.c_str());
}
