// Files written with our rights into a folder that the user controls, where a
// program of that user may have planted links under the names the writer uses.
#include <gtest/gtest.h>

#include "harness.h"
#include "platform/files.h"

using namespace zephrin;
using namespace zephrin::test;

namespace {

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    }
    void TearDown() override {
        for (const std::wstring& dir : {folder, elsewhere}) {
            for (const std::wstring& name : FilesIn(dir, L"*")) {
                DeleteFileW((dir + name).c_str());
                RemoveDirectoryW((dir + name).c_str());
            }
            RemoveDirectoryW(dir.c_str());
        }
    }
    // What the folder holds that the writer would have left behind.
    std::vector<std::wstring> Leftovers() const { return FilesIn(folder, L"~zephrin-*"); }

    const std::wstring folder = TempFolder() + L"zephrin-user-folder\\";
    const std::wstring elsewhere = TempFolder() + L"zephrin-system-files\\";
};

}  // namespace

TEST_F(WholeFileTest, NamesPlantedAsHardLinksAreReplacedAndWhatTheyNameIsUntouched) {
    // Hard links to files the user may not change: under the file's own name, and under the
    // name an earlier writer gave its temporary file.
    ASSERT_TRUE(WriteFileBytes(elsewhere + L"a.dll", "system file A"));
    ASSERT_TRUE(WriteFileBytes(elsewhere + L"b.dll", "system file B"));
    ASSERT_TRUE(CreateHardLinkW((folder + L"report.json").c_str(), (elsewhere + L"a.dll").c_str(), nullptr));
    ASSERT_TRUE(CreateHardLinkW((folder + L"report.json.partial").c_str(), (elsewhere + L"b.dll").c_str(), nullptr));

    EXPECT_TRUE(WriteWholeFile(folder + L"report.json", "{}\n"));
    EXPECT_EQ(ReadFileBytes(folder + L"report.json"), "{}\n");
    EXPECT_EQ(ReadFileBytes(elsewhere + L"a.dll"), "system file A");
    EXPECT_EQ(ReadFileBytes(elsewhere + L"b.dll"), "system file B");
    EXPECT_TRUE(Leftovers().empty());

    // A path with "." and ".." is the folder it names.
    ASSERT_TRUE(CreateDirectoryW((folder + L"sub").c_str(), nullptr));
    EXPECT_TRUE(WriteWholeFile(folder + L"sub\\..\\.\\second.reg", "x"));
    EXPECT_EQ(ReadFileBytes(folder + L"second.reg"), "x");
}

TEST_F(WholeFileTest, AFailedWriteLeavesNothingAndChangesNothing) {
    ASSERT_TRUE(CreateDirectoryW((folder + L"taken").c_str(), nullptr));
    EXPECT_FALSE(WriteWholeFile(folder + L"taken", "x")) << "a folder holds the name";
    EXPECT_NE(GetFileAttributesW((folder + L"taken").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(WriteWholeFile(folder + L"missing\\report.json", "x")) << "no such folder";
    EXPECT_EQ(GetFileAttributesW((folder + L"missing").c_str()), INVALID_FILE_ATTRIBUTES) << "none made";
    EXPECT_FALSE(WriteWholeFile(L"", "x"));
    EXPECT_TRUE(Leftovers().empty());
}
