#include "app/live_window.h"

#include "app/options.h"
#include "framework/window.h"

void OrvOpenLiveWindow(OrvWindow& window, const OrvOptions& options, int vsyncByDefault)
{
    window.SetPicture(options.samples, options.vsync >= 0 ? options.vsync : vsyncByDefault);
    if (options.desktop)
        window.CreateDesktop(options.bits);
    else
        window.Create(640, 480, options.bits, options.window ? 0 : 1);
}
