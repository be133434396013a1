// Download: any response, any split of its body into pieces, delays, an
// error at any point, and the instance destroyed at any point, for one or
// two downloads at once, through the scripted fetcher of the test host.
//
// Input: one byte for the number of downloads, then each download's
// script: how the open goes (it fails, or a status among 200, other codes
// and vars that are not integers), the size announced (none, right, too
// small, too large, huge), then up to 16 events, each a piece of the body
// (up to 249 bytes of the input, or a generated piece of one to six reads),
// a pause, an error or the end. A script with no end or error gets an end.
// The rest of the input drives the main loop: run one task, resume a
// download's pause, destroy the instance, or run until idle. Afterwards
// every pause is resumed and the loop drained.
//
// Properties: each completion runs exactly once, never inside
// StartDownload, with its own URL unchanged. Unless the instance went
// first, it succeeds exactly for status 200 and an end, and the body is
// exactly the bytes of the pieces sent before the end or the error (empty
// after a failed open or another status); one diagnostic line is written
// for each failure, in the documented form, and none for a success. When
// the instance is destroyed first, the completion still runs once; it
// fails with a prefix of those bytes, unless the end had already been read.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "download/url_loader_util.h"
#include "fuzzers/fuzz_support.h"
#include "host/instance.h"
#include "host/module.h"
#include "host/testing/bare_module.h"
#include "host/testing/scripted_fetcher.h"
#include "host/testing/test_host.h"
#include "host/var.h"

namespace {

using fuzzing::FuzzInput;
using velt::Var;
using velt::testing::Script;
using velt::testing::TestHost;

constexpr const char* kNames[] = {"a.txt", "dir/b.txt"};
constexpr char kOpenFailed[] = "velt::URLLoader::Open() failed: ";
constexpr char kReadFailed[] =
    "velt::URLLoader::ReadResponseBody() result < 0: ";

// What one download was sent, and what its completion received.
struct Download {
  std::string name;
  bool open_fails = false;
  Var status;
  bool ends = false;  // the body ended rather than failed
  std::string body;   // the pieces before the end or the error
  int completions = 0;
  bool success = false;
  std::string received;  // the body handed to the completion
  bool completed_after_destruction = false;
};

struct Session {
  std::vector<Download> downloads;
  bool destroyed = false;
  bool starting = false;  // inside StartDownload
  std::vector<size_t> completion_order;
};

struct Completion {
  Session* session;
  size_t index;
};

void OnDone(void* user_data, const std::string& url, bool success,
            std::string* body) {
  Completion* completion = static_cast<Completion*>(user_data);
  Session* session = completion->session;
  Download& download = session->downloads[completion->index];
  FUZZ_CHECK(!session->starting);
  FUZZ_CHECK(url == download.name);
  ++download.completions;
  download.success = success;
  download.received = *body;
  download.completed_after_destruction = session->destroyed;
  session->completion_order.push_back(completion->index);
  // The function may take the body; the download must cope.
  std::string taken = std::move(*body);
}

Var Status(uint8_t choice) {
  switch (choice % 11) {
    case 0:
      return Var(200);
    case 1:
      return Var(404);
    case 2:
      return Var(204);
    case 3:
      return Var(206);
    case 4:
      return Var(500);
    case 5:
      return Var(0);
    case 6:
      return Var(-1);
    case 7:
      return Var("200");
    case 8:
      return Var(200.0);
    case 9:
      return Var(true);
    default:
      return Var();
  }
}

Script MakeScript(FuzzInput* input, Download* download) {
  const uint8_t open = input->Byte();
  download->open_fails = open % 12 == 11;
  download->status = Status(open);
  const uint8_t announce = input->Byte() % 5;

  enum class Kind { kData, kPause, kError, kEnd };
  std::vector<std::pair<Kind, std::string>> events;
  bool terminated = false;
  const size_t count = input->Byte() % 17;
  for (size_t i = 0; i < count; ++i) {
    const Kind kind = static_cast<Kind>(input->Byte() % 4);
    std::string piece;
    if (kind == Kind::kData) {
      const uint8_t size = input->Byte();
      piece = size < 250 ? input->Take(size)
                         : std::string(static_cast<size_t>(size - 249) *
                                               URLLoaderUtil::kReadSize +
                                           7,
                                       static_cast<char>(size));
      if (!terminated) download->body += piece;
    } else if (kind != Kind::kPause && !terminated) {
      download->ends = kind == Kind::kEnd;
      terminated = true;
    }
    events.emplace_back(kind, std::move(piece));
  }
  if (!terminated) {
    download->ends = true;
    events.emplace_back(Kind::kEnd, "");
  }

  const int64_t size = static_cast<int64_t>(download->body.size());
  const int64_t totals[] = {-1, size, size / 2, size * 2 + 1, int64_t{1} << 40};
  Script script;
  if (download->open_fails) {
    script.OpenFails();
  } else {
    script.Response(download->status, totals[announce]);
  }
  // After a failed open the host ignores the events that follow.
  for (const auto& event : events) {
    switch (event.first) {
      case Kind::kData:
        script.Data(event.second);
        break;
      case Kind::kPause:
        script.Pause();
        break;
      case Kind::kError:
        script.Error();
        break;
      case Kind::kEnd:
        script.End();
        break;
    }
  }
  return script;
}

// The line a download that was not interrupted writes, if any.
std::string ExpectedLine(const Download& download) {
  const std::string& url = download.name;
  if (download.open_fails) return kOpenFailed + url + "\n";
  if (!download.status.is_int()) {
    return kOpenFailed + url + " Status code: not an integer\n";
  }
  if (download.status.AsInt() != 200) {
    return kOpenFailed + url +
           " Status code: " + std::to_string(download.status.AsInt()) + "\n";
  }
  if (!download.ends) return kReadFailed + url + "\n";
  return "";
}

bool IsFailureLine(const std::string& line, const std::string& url) {
  return line == kOpenFailed + url ||
         line.rfind(kOpenFailed + url + " Status code: ", 0) == 0 ||
         line == kReadFailed + url;
}

void CheckOutcome(const Session& session, const std::string& diagnostics) {
  std::string expected_lines;
  std::vector<std::string> lines;
  for (size_t start = 0; start < diagnostics.size();) {
    size_t end = diagnostics.find('\n', start);
    FUZZ_CHECK(end != std::string::npos);
    lines.push_back(diagnostics.substr(start, end - start));
    start = end + 1;
  }
  size_t line = 0;
  for (size_t index : session.completion_order) {
    const Download& download = session.downloads[index];
    FUZZ_CHECK(download.completions == 1);
    const bool ok = !download.open_fails && download.status.is_int() &&
                    download.status.AsInt() == 200 && download.ends;
    if (download.completed_after_destruction) {
      // A read whose result was settled before the instance went still
      // completes with it; every other operation ends in an error.
      if (download.success) {
        FUZZ_CHECK(ok);
        FUZZ_CHECK(download.received == download.body);
      } else {
        FUZZ_CHECK(download.body.compare(0, download.received.size(),
                                         download.received) == 0);
        FUZZ_CHECK(line < lines.size());
        FUZZ_CHECK(IsFailureLine(lines[line++], download.name));
      }
      continue;
    }
    FUZZ_CHECK(download.success == ok);
    const bool has_body = !download.open_fails && download.status.is_int() &&
                          download.status.AsInt() == 200;
    FUZZ_CHECK(download.received == (has_body ? download.body : ""));
    const std::string expected = ExpectedLine(download);
    if (!expected.empty()) {
      FUZZ_CHECK(line < lines.size());
      FUZZ_CHECK(lines[line++] + "\n" == expected);
    }
  }
  FUZZ_CHECK(line == lines.size());
  FUZZ_CHECK(session.completion_order.size() == session.downloads.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  Session session;
  const size_t count = 1 + input.Byte() % 2;
  std::vector<Script> scripts;
  for (size_t i = 0; i < count; ++i) {
    session.downloads.push_back(Download());
    session.downloads.back().name = kNames[i];
    scripts.push_back(MakeScript(&input, &session.downloads.back()));
  }
  std::vector<Completion> completions;
  for (size_t i = 0; i < count; ++i) completions.push_back({&session, i});

  fuzzing::CerrCapture capture;
  {
    TestHost host;
    for (size_t i = 0; i < count; ++i) {
      host.fetcher().Add(TestHost::kPageUrl + session.downloads[i].name,
                         scripts[i]);
    }
    VELT_Instance handle = host.Create();
    FUZZ_CHECK(handle != 0);
    velt::Instance* instance = velt::testing::FindBareInstance(handle);
    session.starting = true;
    for (size_t i = 0; i < count; ++i) {
      URLLoaderUtil::StartDownload(instance, session.downloads[i].name, &OnDone,
                                   &completions[i]);
    }
    session.starting = false;

    while (!input.empty()) {
      const uint8_t action = input.Byte();
      switch (action % 4) {
        case 0:
          host.queue().RunOne();
          break;
        case 1:
          host.fetcher().Resume(TestHost::kPageUrl +
                                session.downloads[(action / 4) % count].name);
          break;
        case 2:
          if (!session.destroyed) {
            host.Destroy(handle);
            session.destroyed = true;
          }
          break;
        default:
          host.RunUntilIdle();
          break;
      }
    }
    bool resumed = true;
    while (resumed) {
      host.RunUntilIdle();
      resumed = false;
      for (const Download& download : session.downloads) {
        resumed |= host.fetcher().Resume(TestHost::kPageUrl + download.name);
      }
    }
    FUZZ_CHECK(host.fetcher().live_fetches() == 0);
  }
  CheckOutcome(session, capture.text());
  return 0;
}
