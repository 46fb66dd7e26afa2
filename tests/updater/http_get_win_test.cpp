// The download component in this process against the local maker server.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/file.h"
#include "common/http.h"
#include "common/text_win.h"
#include "tests/support/test_support.h"
#include "updater/http_get_win.h"

using namespace lumo;
using namespace lumo::test;

namespace {

void Control(const std::string& query) {
    ASSERT_FALSE(Server("/_control/" + query).empty()) << query;
}

int Requests(const std::string& path) {
    std::string log = Server("/_log");
    int n = 0;
    for (size_t at = 0; (at = log.find("\t" + path + "\t", at)) != std::string::npos; ++at) ++n;
    return n;
}

class HttpGetTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Control("reset");
        Control("clearlog");
        file_ = folder_.path() + "tmp";
        http_ = std::make_unique<HttpDownload>();
        http_->URL = ServerUrl("/user/VersionInfo/Lumo");
        http_->FileName = file_;
        http_->BinaryData = true;
        http_->OnProgress = [this](std::int64_t total, std::int64_t readed) {
            ++progressCalls_;
            if (firstReaded_ < 0)
                firstReaded_ = readed;
            lastTotal_ = total;
        };
        http_->OnDoneFile = [this](const std::string&, std::int64_t size) {
            result_ = 1;
            doneSize_ = size;
        };
        http_->OnError = [this] { result_ = 0; };
    }
    void TearDown() override { Control("reset"); }

    // Runs a download to its end; 1 success, 0 failure, -1 still running.
    int Run(int ms = 30000) {
        result_ = -1;
        progressCalls_ = 0;
        firstReaded_ = -1;
        http_->StartFileDownload();
        WaitFor([&] { return result_ != -1; }, ms);
        return result_;
    }
    std::string Served() {
        auto r = HttpGet(ServerUrl("/user/VersionInfo/Lumo"));
        return r ? r->body : "";
    }

    TempFolder folder_{"httpget"};
    std::string file_;
    std::unique_ptr<HttpDownload> http_;
    int result_ = -1;
    int progressCalls_ = 0;
    std::int64_t firstReaded_ = -1, lastTotal_ = 0, doneSize_ = 0;
};

TEST_F(HttpGetTest, WholeFileWithFewProgressCallsAndOneThreadAtATime) {
    Control("set?updatesize=3000000&trickle=1");  // about 3 s in 1 KB blocks
    result_ = -1;
    http_->StartFileDownload();
    http_->StartFileDownload();  // ignored: one download at a time
    ASSERT_TRUE(WaitFor([&] { return result_ != -1; }, 60000));
    EXPECT_EQ(result_, 1);
    EXPECT_EQ(doneSize_, 3000000);
    EXPECT_EQ(lastTotal_, 3000000);
    EXPECT_EQ(Requests("/user/VersionInfo/Lumo"), 1);
    EXPECT_GT(progressCalls_, 0);
    EXPECT_LT(progressCalls_, 60);  // throttled, not one per block
    Control("set?trickle=0");
    EXPECT_TRUE(ReadFileBytes(file_) == Served());
    EXPECT_TRUE(FileExists(file_ + ".ini"));
}

TEST_F(HttpGetTest, ResumesOnlyAnUnchangedFileAndNeverKeepsOldBytes) {
    ASSERT_EQ(Run(), 1);
    const std::string whole = ReadFileBytes(file_).value_or("");
    ASSERT_EQ(whole.size(), 5000u);

    // 300 bytes of the same file: the rest comes with a range.
    WriteFileBytes(file_, whole.substr(0, 300));
    Control("clearlog");
    ASSERT_EQ(Run(), 1);
    EXPECT_TRUE(ReadFileBytes(file_) == whole);
    EXPECT_GT(firstReaded_, 300);
    auto log = HttpGet(ServerUrl("/_log"));
    ASSERT_TRUE(log);
    EXPECT_NE(log->body.find("\tbytes=300-"), std::string::npos) << log->body;

    // A changed file: started over; a shorter one leaves nothing behind it.
    WriteFileBytes(file_, whole.substr(0, 300));
    Control("set?bumplastmodified=1&updatesize=1000");
    ASSERT_EQ(Run(), 1);
    EXPECT_TRUE(ReadFileBytes(file_) == Served());

    // Without a Last-Modified there is no marker to resume by.
    WriteFileBytes(file_, std::string(4000, 'x'));
    Control("set?lastmodified=0");
    ASSERT_EQ(Run(), 1);
    EXPECT_FALSE(FileExists(file_ + ".ini"));
    EXPECT_TRUE(ReadFileBytes(file_) == Served());
}

TEST_F(HttpGetTest, ErrorsCutsMissingLengthsAndSilentServersFail) {
    http_->ReceiveTimeoutMs = 1500;
    http_->ConnectTimeoutMs = 1500;
    struct Case {
        const char* switches;
        const char* undo;
    } cases[] = {
        {"notfound=1&path=/user/VersionInfo/Lumo", "notfound=0&path=/user/VersionInfo/Lumo"},
        {"cutafter=2000", "cutafter=0"},
        {"chunked=1", "chunked=0"},
        {"delay=8000&path=/user/VersionInfo/Lumo", "delay=0&path=/user/VersionInfo/Lumo"},
        {"trickle=6000", "trickle=0"},  // stalls after the first block
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.switches);
        DeleteFileW(ToW(file_).c_str());
        DeleteFileW(ToW(file_ + ".ini").c_str());
        Control(std::string("set?") + c.switches);
        const DWORD start = GetTickCount();
        EXPECT_EQ(Run(20000), 0);
        EXPECT_LT(GetTickCount() - start, 6000u);
        Control(std::string("set?") + c.undo);
    }
}

TEST_F(HttpGetTest, CancelOrDestructionDuringADownloadIsSafe) {
    Control("set?trickle=20&updatesize=300000");
    result_ = -1;
    http_->StartFileDownload();
    WaitFor([&] { return progressCalls_ > 0; }, 10000);
    http_->CancelDownload();
    ASSERT_TRUE(WaitFor([&] { return result_ != -1; }, 10000));
    EXPECT_EQ(result_, 0);
    EXPECT_FALSE(http_->Running());

    // Gone while its worker runs: the worker ends on its own.
    http_->StartFileDownload();
    WaitFor([] { return false; }, 300);
    http_.reset();
    WaitFor([] { return false; }, 1500);
    SUCCEED();
}

}  // namespace
