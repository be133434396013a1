#include "programs/serve_main.h"

#include <unistd.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/runtime/runtime.h"
#include "net/asio_task_runner.h"
#include "net/http_fetcher.h"
#include "net/web_server.h"
#include "programs/bundled_page.h"

namespace serve_command {
namespace {

constexpr char kUsage[] =
    "Usage: hangul-engine serve [--port N] [--root DIR] [--address ADDR]\n"
    "                           [--allow-host NAME] [--max-connections N]\n"
    "\n"
    "Serves the input-method page over HTTP and the engine over a WebSocket\n"
    "at /engine, in one process: requests, replies and the network all run\n"
    "on its main thread. Each WebSocket connection is one instance of the\n"
    "engine; its tables \"hanja.txt\" and \"symbol.txt\"\n"
    "are fetched from this server, beside the page. The page's URL is\n"
    "printed on standard output once the server listens; the program runs\n"
    "until interrupted (SIGINT or SIGTERM).\n"
    "\n"
    "  --port N             the port to listen on; 0 picks a free one.\n"
    "                       Default: 8080.\n"
    "  --root DIR           serve DIR's files first, then the bundled page's\n"
    "                       (so a DIR without the tables still has them).\n"
    "                       Default: the page directory beside this program,\n"
    "                       which the build fills from web/ and\n"
    "                       libhangul-data.\n"
    "  --address ADDR       the address to listen on. Default: 127.0.0.1,\n"
    "                       loopback only.\n"
    "  --allow-host NAME    a further host name that pages may reach the\n"
    "                       server by (Host and Origin are checked).\n"
    "  --max-connections N  WebSocket connections at once. Default: 64.\n"
    "  --help               show this text.\n"
    "\n"
    "A message longer than 64 KiB closes its connection (code 1009); a\n"
    "connection beyond the limit is closed with code 1013.\n"
    "GET /status answers the live counts as JSON.\n";

bool ParseCount(const char* text, unsigned long max, unsigned long* value) {
  char* end = nullptr;
  unsigned long parsed = std::strtoul(text, &end, 10);
  if (*text == '\0' || *end != '\0' || parsed > max) return false;
  *value = parsed;
  return true;
}

}  // namespace

int Main(int argc, char** argv) {
  net::WebServerOptions options;
  options.port = 8080;
  std::string bundled = programs::BundledPage();
  std::string root;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    unsigned long number = 0;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--port" && has_value &&
               ParseCount(argv[i + 1], 65535, &number)) {
      options.port = static_cast<uint16_t>(number);
      ++i;
    } else if (arg == "--max-connections" && has_value &&
               ParseCount(argv[i + 1], 100000, &number) && number > 0) {
      options.max_connections = number;
      ++i;
    } else if (arg == "--root" && has_value) {
      root = argv[++i];
    } else if (arg == "--address" && has_value) {
      options.address = argv[++i];
    } else if (arg == "--allow-host" && has_value) {
      options.extra_hosts.push_back(argv[++i]);
    } else {
      std::fprintf(stderr, "hangul-engine serve: bad argument '%s'\n\n%s",
                   arg.c_str(), kUsage);
      return 2;
    }
  }
  if (!root.empty()) options.roots.push_back(root);
  options.roots.push_back(bundled);

  boost::asio::io_context io;
  net::AsioTaskRunner runner(io);
  // Instances fetch their tables over HTTP, from this very server: the
  // page they are embedded in is the server's own URL.
  net::HttpFetcher fetcher(io);
  velt::runtime::Runtime runtime(&runner, &fetcher);
  net::WebServer server(io, &runtime, options);
  std::string error;
  if (!server.Start(&error)) {
    std::fprintf(stderr, "hangul-engine serve: %s\n", error.c_str());
    return 1;
  }

  boost::asio::signal_set signals(io, SIGINT, SIGTERM);
  signals.async_wait([&server](const boost::system::error_code& ec, int) {
    if (!ec) server.Stop();
  });
  std::printf("Serving the input-method page at %s\n", server.url().c_str());
  std::fflush(stdout);
  io.run();
  return 0;
}

}  // namespace serve_command
