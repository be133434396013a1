#include "host/runtime/url.h"

#include <gtest/gtest.h>

namespace {

TEST(UrlResolve, ResolvesAgainstThePage) {
  struct Case {
    const char* base;
    const char* reference;
    const char* resolved;
  };
  const Case kCases[] = {
      {"http://h:8/dir/page.html", "hanja.txt", "http://h:8/dir/hanja.txt"},
      {"http://h:8/dir/", "hanja.txt", "http://h:8/dir/hanja.txt"},
      {"http://h:8", "hanja.txt", "http://h:8/hanja.txt"},
      {"http://h/a/b/", "../x", "http://h/a/x"},
      {"http://h/a/", "../../../x", "http://h/x"},
      {"http://h/a/b?q=1#f", "c?d", "http://h/a/c?d"},
      {"http://h/a/b", "/root.txt", "http://h/root.txt"},
      {"http://h/a/b", "//other/x", "http://other/x"},
      {"http://h/a/b", "file:///etc/x", "file:///etc/x"},
      {"file:///srv/page/", "symbol.txt", "file:///srv/page/symbol.txt"},
      {"file:///srv/page/", "./sub/./t.txt", "file:///srv/page/sub/t.txt"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.base) + " + " + c.reference);
    EXPECT_EQ(velt::runtime::url::Resolve(c.base, c.reference), c.resolved);
  }
}

TEST(UrlScheme, LowerCaseOrEmpty) {
  EXPECT_EQ(velt::runtime::url::Scheme("HTTP://x/"), "http");
  EXPECT_EQ(velt::runtime::url::Scheme("file:///x"), "file");
  EXPECT_EQ(velt::runtime::url::Scheme("hanja.txt"), "");
  EXPECT_EQ(velt::runtime::url::Scheme("/a:b"), "");
}

TEST(UrlFromDirectory, AbsoluteWithOneTrailingSlash) {
  EXPECT_EQ(velt::runtime::url::FromDirectory("/srv/page"),
            "file:///srv/page/");
  EXPECT_EQ(velt::runtime::url::FromDirectory("/srv/page/"),
            "file:///srv/page/");
  EXPECT_EQ(velt::runtime::url::FromDirectory("/srv/x/../page"),
            "file:///srv/page/");
}

}  // namespace
