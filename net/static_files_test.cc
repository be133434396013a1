#include "net/static_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace net {
namespace static_files {
namespace {

TEST(TargetToPath, NamesFilesInsideTheFolder) {
  struct Case {
    const char* target;
    const char* path;
  } cases[] = {
      {"/", "index.html"},
      {"/index.html", "index.html"},
      {"/hanja.txt?v=2", "hanja.txt"},
      {"/app.js#top", "app.js"},
      {"/css/", "css/index.html"},
      {"/a%20b.css", "a b.css"},
      {"/%ED%95%9C.txt", "\xED\x95\x9C.txt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(TargetToPath(c.target), c.path);
  }
}

TEST(TargetToPath, RefusesWhatCouldLeaveTheFolderOrShowHiddenFiles) {
  const char* targets[] = {
      "",           "index.html",     "/..",        "/../etc/passwd",
      "/a/../b",    "/%2e%2e/secret", "/.git/HEAD", "/a/.hidden",
      "/./a",       "//etc/passwd",   "/a//b",      "/a%2F..%2Fb",
      "/a\\..\\b",  "/a%5c..",        "/a%00.txt",  "/bad%2",
      "/bad%zz.txt"};
  for (const char* target : targets) {
    SCOPED_TRACE(target);
    EXPECT_EQ(TargetToPath(target), "");
  }
}

class FindFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/static_files_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    base_ = pattern;
    first_ = base_ + "/first";
    second_ = base_ + "/second";
    mkdir(first_.c_str(), 0755);
    mkdir(second_.c_str(), 0755);
    mkdir((first_ + "/sub").c_str(), 0755);
    Write(first_ + "/index.html", "page");
    Write(second_ + "/hanja.txt", "table");
    Write(second_ + "/index.html", "shadowed");
    Write(base_ + "/secret.txt", "secret");
    symlink((base_ + "/secret.txt").c_str(), (first_ + "/leak.txt").c_str());
  }
  void TearDown() override {
    std::string command = "rm -rf '" + base_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
  }

  std::string base_;
  std::string first_;
  std::string second_;
};

TEST_F(FindFileTest, SearchesTheFoldersInOrder) {
  std::vector<std::string> roots = {first_, second_};
  EXPECT_EQ(FindFile(roots, "index.html"), first_ + "/index.html");
  EXPECT_EQ(FindFile(roots, "hanja.txt"), second_ + "/hanja.txt");
  EXPECT_EQ(FindFile(roots, "missing.txt"), "");
}

TEST_F(FindFileTest, ServesRegularFilesInsideTheFolderOnly) {
  std::vector<std::string> roots = {first_};
  EXPECT_EQ(FindFile(roots, "sub"), "");
  EXPECT_EQ(FindFile(roots, "leak.txt"), "");
  EXPECT_EQ(FindFile(roots, "../secret.txt"), "");
  EXPECT_EQ(FindFile(roots, ""), "");
  EXPECT_EQ(FindFile({base_ + "/missing-root"}, "index.html"), "");
}

TEST(ContentType, LabelsTextAsUtf8) {
  struct Case {
    const char* path;
    const char* type;
  } cases[] = {
      {"index.html", "text/html; charset=utf-8"},
      {"/srv/page/app.js", "text/javascript; charset=utf-8"},
      {"style.CSS", "text/css; charset=utf-8"},
      {"hanja.txt", "text/plain; charset=utf-8"},
      {"icon.png", "image/png"},
      {"archive.tar.gz", "application/octet-stream"},
      {"README", "application/octet-stream"},
      {"dir.d/README", "application/octet-stream"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(ContentType(c.path), c.type);
  }
}

}  // namespace
}  // namespace static_files
}  // namespace net
