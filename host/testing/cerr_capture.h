// CerrCapture: sends what is written to std::cerr into a string while it
// lives. Unlike gtest's CaptureStderr it leaves the file descriptor alone,
// so sanitizer reports, which do not go through std::cerr, still show.
#ifndef HOST_TESTING_CERR_CAPTURE_H_
#define HOST_TESTING_CERR_CAPTURE_H_

#include <iostream>
#include <sstream>
#include <string>

namespace velt {
namespace testing {

class CerrCapture {
 public:
  CerrCapture() : saved_(std::cerr.rdbuf(captured_.rdbuf())) {}
  ~CerrCapture() { std::cerr.rdbuf(saved_); }
  CerrCapture(const CerrCapture&) = delete;
  CerrCapture& operator=(const CerrCapture&) = delete;

  std::string text() const { return captured_.str(); }

 private:
  std::ostringstream captured_;
  std::streambuf* saved_ = nullptr;
};

}  // namespace testing
}  // namespace velt

#endif  // HOST_TESTING_CERR_CAPTURE_H_
