#include "framework/web/page.h"

#include <emscripten.h>

// The page defines the orv* functions on Module (index.html).
bool OrvPageFullScreen()
{
    return EM_ASM_INT({ return document.fullscreenElement ? 1 : 0; }) != 0;
}

void OrvPageFailed(const char* message)
{
    EM_ASM({ Module.orvFailed(UTF8ToString($0)); }, message);
}

void OrvPageShowEnded()
{
    EM_ASM({ Module.orvEnded(); });
}

void OrvPageReport(const char* text)
{
    EM_ASM({ Module.orvReport(UTF8ToString($0)); }, text);
}
