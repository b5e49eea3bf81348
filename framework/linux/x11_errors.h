// Process-wide X error handling for the window and the display-mode switch.
//
// Xlib's default handlers end the process on any protocol error. These keep
// the show running: an error inside a trap is recorded for the trapping
// thread; any other error goes to the filter, if one is set, and is reported
// on stderr and ignored unless the filter claims it. Each thread uses its own
// connection, so a per-thread trap sees exactly its own errors.
#pragma once

struct _XDisplay;

// Looks at an untrapped error: the resource it names and its error code; true
// claims it, so it is not reported. Runs on the thread whose connection got the error.
using OrvXErrorFilter = bool (*)(unsigned long resource, int code);

// Installs the protocol error handler (once per process).
void OrvInstallXErrorHandler();

// Sets the process's one filter (nullptr for none).
void OrvFilterXErrors(OrvXErrorFilter filter);

// Starts recording errors of this thread's requests instead of reporting them.
void OrvTrapXErrors();

// Waits for the server to answer everything sent on `display`, stops the trap
// and returns the first error code caught (0 when none).
int OrvUntrapXErrors(struct _XDisplay* display);
