#pragma once
// `quavril --batch SCRIPT`: a script run for cron jobs, test rigs and ssh sessions. No window,
// no box and no display: the generator session runs under a plain event loop, and every
// message is one line on stderr, "quavril: SCRIPT:LINE: TEXT", whose text names the file it
// concerns. `pause` prints its text and waits for Enter only when stdin is a terminal.
//
// The stored settings are read as a window start reads them (output device, rate, buffers,
// the generator's controls), so that a script plays where the user's window plays; they are
// never written, so that an unattended run leaves the user's settings alone. With a session
// bus the run is a generator like any other (quavril-cli generators lists it, `send off` ends
// its current signal, synchronised On and Off reach it); without one it runs alone, silently.
// SIGTERM, SIGINT and SIGHUP end the script with the signal stopped.
//
// Exit status: 0 when the script ended normally and showed no error message; 1 when it could
// not be read, any error message was shown (also where the script went on), or a signal ended
// it.
#include <string>

namespace quavril {

// Runs the script at `script` (bytes, as the system names it); returns the exit status.
// `argc` and `argv` are the process's, for the event loop's application object.
int RunBatch(int& argc, char** argv, const std::string& script);

} // namespace quavril
