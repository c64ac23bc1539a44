// Stopping on a signal: SIGINT (Ctrl-C), SIGTERM and SIGHUP (a closed
// terminal) ask the renders to stop at their next block, remove their partial
// files and end by that signal.
#pragma once

#include <string>

// Installs the handlers. They do not restart the call they interrupt, so a
// program blocked in a call that waits for a peer (opening a FIFO that no one
// writes) gets the call back with EINTR and ends.
void stopOnSignals();

// The first signal that asked to stop; 0 while none has.
int stopSignal();

// Flushes the standard streams and ends the program by signal, as its default
// action would have.
[[noreturn]] void endBySignal(int signal);

// Throws RenderError("stopped; " + notDone) once a signal asked to stop.
void throwIfStopped(const std::string& notDone);
