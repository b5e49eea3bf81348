// Process-wide X error handling for the window and the display-mode switch.
//
// Xlib's default handlers end the process on any protocol error. These keep
// the show running: an error inside a trap is recorded for the trapping
// thread, any other error is reported on stderr and ignored. Each thread uses
// its own connection, so a per-thread trap sees exactly its own errors.
#pragma once

struct _XDisplay;

// Installs the protocol error handler (once per process).
void OrvInstallXErrorHandler();

// Starts recording errors of this thread's requests instead of reporting them.
void OrvTrapXErrors();

// Waits for the server to answer everything sent on `display`, stops the trap
// and returns the first error code caught (0 when none).
int OrvUntrapXErrors(struct _XDisplay* display);
