// Entry point in a browser page. The page's address carries the options
// (index.html?start=Kaupunki&loop), read as the command line would be. The
// live show runs one frame per animation frame of the page; with music the
// page first asks for a click, since browsers start sound only after one.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/data_problems.h"
#include "app/demo_main.h"
#include "app/options.h"
#include "app/timedemo.h"
#include "framework/web/page.h"

namespace {

OrvOptions options;
bool heldAtStart = false;
OrvLiveShow* live = nullptr;

void Frame()
{
    const int64_t before = live->Frames();
    if (live->Step()) {
        // What the page (and a test) can see: frames drawn and the scene at hand.
        if (live->Frames() != before)
            EM_ASM({ Module.orvFrameDrawn(UTF8ToString($0)); }, live->Scene());
        return;
    }
    emscripten_cancel_main_loop();
    delete live;
    live = nullptr;
    std::fflush(stdout);
    OrvPageShowEnded();
}

std::string Query()
{
    std::string query(static_cast<size_t>(EM_ASM_INT({ return lengthBytesUTF8(location.search); })), '\0');
    EM_ASM({ stringToUTF8(location.search, $0, $1 + 1); }, query.data(), query.size());
    return query.empty() ? query : query.substr(1);
}

}  // namespace

// The page calls this once the show may start (at once, or after the click
// that lets it play sound).
extern "C" EMSCRIPTEN_KEEPALIVE void orv_web_play()
{
    if (live)
        return;
    if (options.timedemo) {
        OrvRunTimedemo(options);
        std::fflush(stdout);
        OrvPageShowEnded();
        return;
    }
    live = new OrvLiveShow(options, heldAtStart, false);
    emscripten_set_main_loop(Frame, 0, 0);
}

int main()
{
    // The data set is preloaded into /data; an address may still name another.
    const std::string query = "data=/data&" + Query();
    options = OrvParseUrlQuery(query, &heldAtStart);
    int exitCode = 0;
    if (!OrvStartUp(options, "orvdemo", &exitCode)) {
        std::fflush(stdout);
        std::fflush(stderr);
        if (exitCode != 0)
            OrvPageFailed(("orvdemo: " + options.error).c_str());
        else
            OrvPageShowEnded();
        return exitCode;
    }
    OrvRouteTrace(options.trace);
    OrvWatchDataFiles("/data", "orvdemo");
    // --size is the drawing size; the page scales the canvas.
    emscripten_set_canvas_element_size(kOrvCanvas, options.width, options.height);
    EM_ASM({ Module.orvReady($0); }, options.music && !options.timedemo ? 1 : 0);
    return 0;
}
