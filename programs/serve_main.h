// `hangul-engine serve`: the engine behind a local web server, with the
// input-method page. Its interface is in `hangul-engine serve --help`.
#ifndef PROGRAMS_SERVE_MAIN_H_
#define PROGRAMS_SERVE_MAIN_H_

namespace serve_command {

// Runs the server until SIGINT or SIGTERM. `argv[0]` is "serve"; the
// options follow. Returns the process's exit status.
int Main(int argc, char** argv);

}  // namespace serve_command

#endif  // PROGRAMS_SERVE_MAIN_H_
