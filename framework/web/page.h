// What the show's code asks of the page around it (index.html): the canvas it
// draws on, and the page's own reports.
#pragma once

// The canvas the show draws on, as the page names it.
inline constexpr const char* kOrvCanvas = "#canvas";

// True while the page is shown full screen.
bool OrvPageFullScreen();

// Shows `message` on the page in place of the show (the show cannot run).
void OrvPageFailed(const char* message);

// Tells the page the show is over: it offers to play it again.
void OrvPageShowEnded();

// Writes `text` into the page's report area (and the console), as is.
void OrvPageReport(const char* text);
