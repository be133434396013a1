// hangul-engine: the engine behind a command line. One instance; one
// message per line of standard input; each reply, as posted, on standard
// output.
#include <limits.h>
#include <unistd.h>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

#include "host/runtime/directory_fetcher.h"
#include "host/runtime/routing_fetcher.h"
#include "host/runtime/runtime.h"
#include "host/runtime/url.h"
#include "host/var.h"
#include "net/asio_task_runner.h"
#include "net/http_fetcher.h"
#include "programs/bundled_page.h"
#include "programs/serve_main.h"

namespace {

constexpr char kUsage[] =
    "Usage: hangul-engine [--page LOCATION] [--no-wait]\n"
    "       hangul-engine serve [OPTIONS]  (the web host: serve --help)\n"
    "\n"
    "Runs one instance of the Korean conversion engine. Each line of standard\n"
    "input, without its line feed, is one string message, passed on byte for\n"
    "byte even when it is not valid UTF-8. Each reply is written to standard\n"
    "output exactly as the engine posted it (it ends with its own line feed)\n"
    "and flushed at once. A keyboard request gets no reply. The engine's\n"
    "diagnostics go to standard error. The program exits 0 at the end of\n"
    "input.\n"
    "\n"
    "  --page LOCATION  the page that the tables \"hanja.txt\" and "
    "\"symbol.txt\"\n"
    "                   are fetched relative to: a directory, where a missing\n"
    "                   file behaves as HTTP status 404, or the URL of a page\n"
    "                   on an HTTP server, such as http://HOST:PORT/DIR/ (the\n"
    "                   tables are fetched from DIR/; without the final \"/\"\n"
    "                   they would be fetched beside DIR, as a browser does).\n"
    "                   Only status 200 loads a table. Default: the page\n"
    "                   directory beside this program, which the build fills\n"
    "                   from libhangul-data.\n"
    "  --no-wait        serve messages at once; by default the program lets\n"
    "                   the table downloads finish, success or failure, "
    "before\n"
    "                   it reads the first message.\n"
    "  --help           show this text.\n";

void WriteReply(const velt::Var& message) {
  std::string bytes = message.AsString();
  std::fwrite(bytes.data(), 1, bytes.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "serve") == 0) {
    return serve_command::Main(argc - 1, argv + 1);
  }
  std::string page = programs::BundledPage();
  bool wait = true;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--no-wait") {
      wait = false;
    } else if (arg == "--page" && i + 1 < argc) {
      page = argv[++i];
    } else {
      std::fprintf(stderr, "hangul-engine: unknown argument '%s'\n\n%s",
                   arg.c_str(), kUsage);
      return 2;
    }
  }

  std::string page_url;
  if (page.find("://") == std::string::npos) {
    page_url = velt::runtime::url::FromDirectory(page);
  } else if (velt::runtime::url::Scheme(page) == "http" ||
             velt::runtime::url::Scheme(page) == "file") {
    page_url = page;
  } else {
    std::fprintf(stderr,
                 "hangul-engine: '%s': a page is a directory, an http:// or "
                 "a file:// URL\n",
                 page.c_str());
    return 2;
  }

  boost::asio::io_context io;
  net::AsioTaskRunner runner(io);
  velt::runtime::DirectoryFetcher directory_fetcher(&runner);
  net::HttpFetcher http_fetcher(io);
  velt::runtime::RoutingFetcher fetcher(&runner);
  fetcher.Route("file", &directory_fetcher);
  fetcher.Route("http", &http_fetcher);

  velt::runtime::Runtime runtime(&runner, &fetcher);
  VELT_Instance instance = runtime.CreateInstance(page_url, &WriteReply);
  if (instance == 0) {
    std::fprintf(stderr, "hangul-engine: the module refused the instance\n");
    return 1;
  }
  while (wait && runtime.HasPendingLoads(instance)) {
    if (io.run_one() == 0) break;
  }
  // The io_context stops by itself once it runs out of work, as it does
  // when the last download ends; it must run again for the messages.
  io.restart();

  // Lines are read on a thread of their own so that downloads still in
  // flight go on meanwhile; each line is handed to the main loop in order.
  auto work = boost::asio::make_work_guard(io);
  std::thread reader([&] {
    std::string line;
    while (std::getline(std::cin, line)) {
      boost::asio::post(io, [&runtime, instance, line] {
        runtime.DeliverMessage(instance, velt::Var(line));
      });
    }
    boost::asio::post(io, [&io] { io.stop(); });
  });
  io.run();
  reader.join();
  // Every line has been delivered; run what it set off (its reply among
  // it) without waiting for the network.
  io.restart();
  while (io.poll() > 0) {
  }
  // Downloads still in flight are aborted; let them finish so that nothing
  // of the instance is left behind.
  runtime.DestroyInstance(instance);
  io.restart();
  while (io.poll() > 0) {
  }
  return 0;
}
