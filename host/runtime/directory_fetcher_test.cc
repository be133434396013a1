#include "host/runtime/directory_fetcher.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "host/runtime/task_queue.h"

namespace {

// Writes down what a fetch delivered.
class Transcript final : public velt::runtime::FetchSink {
 public:
  void OnOpenFailed() override { log += "failed;"; }
  void OnResponse(const velt::Var& status, int64_t total) override {
    log += "status " + std::to_string(status.AsInt()) + " size " +
           std::to_string(total) + ";";
  }
  void OnBodyData(const char* data, size_t size) override {
    body.append(data, size);
    ++pieces;
  }
  void OnBodyEnd() override { log += "end;"; }
  void OnBodyError() override { log += "error;"; }

  std::string log;
  std::string body;
  int pieces = 0;
};

class DirectoryFetcherTest : public testing::Test {
 protected:
  DirectoryFetcherTest() : fetcher_(&queue_) {
    dir_ = testing::TempDir() + "directory_fetcher_test";
    std::system(("mkdir -p '" + dir_ + "/sub dir'").c_str());
  }

  std::string Write(const std::string& name, const std::string& contents) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << contents;
    return "file://" + dir_ + "/" + name;
  }

  velt::runtime::TaskQueue queue_;
  velt::runtime::DirectoryFetcher fetcher_;
  std::string dir_;
};

TEST_F(DirectoryFetcherTest, ServesAFileInPiecesAfterStartReturns) {
  std::string contents(200000, 'x');
  contents[199999] = 'y';
  Transcript transcript;
  auto fetch = fetcher_.Start(Write("t.txt", contents), &transcript);
  EXPECT_EQ(transcript.log, "");
  queue_.RunUntilIdle();
  EXPECT_EQ(transcript.log, "status 200 size 200000;end;");
  EXPECT_EQ(transcript.body, contents);
  EXPECT_GT(transcript.pieces, 1);
}

TEST_F(DirectoryFetcherTest, MissingFileOrDirectoryIs404AndOtherSchemesFail) {
  struct Case {
    std::string url;
    const char* log;
  };
  const Case kCases[] = {
      {"file://" + dir_ + "/none.txt", "status 404 size 0;end;"},
      {"file://" + dir_ + "/sub%20dir", "status 404 size 0;end;"},
      {"http://127.0.0.1:1/x", "failed;"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.url);
    Transcript transcript;
    auto fetch = fetcher_.Start(c.url, &transcript);
    queue_.RunUntilIdle();
    EXPECT_EQ(transcript.log, c.log);
  }
}

TEST_F(DirectoryFetcherTest, DestroyedFetchDeliversNothingMore) {
  Transcript transcript;
  auto fetch = fetcher_.Start(Write("t.txt", "abc"), &transcript);
  queue_.RunOne();
  fetch.reset();
  queue_.RunUntilIdle();
  EXPECT_EQ(transcript.log, "status 200 size 3;");
  EXPECT_EQ(transcript.body, "");
}

TEST_F(DirectoryFetcherTest, EscapedNamesAreDecoded) {
  Write("sub dir/t.txt", "in sub");
  Transcript transcript;
  auto fetch =
      fetcher_.Start("file://" + dir_ + "/sub%20dir/t.txt", &transcript);
  queue_.RunUntilIdle();
  EXPECT_EQ(transcript.body, "in sub");
}

}  // namespace
