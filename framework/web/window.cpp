// OrvWindow in a browser page: the page's canvas and a WebGL 2 context.
//
// There is no window thread: the page's events arrive on the one thread
// between animation frames, and the key callback pushes into the same key ring
// the desktop's window thread fills. The canvas keeps the drawing size the
// page gave it (640x480 unless asked otherwise); the page scales it with CSS.
// Escape ends the show as on the desktop, unless the page is full screen: the
// browser then takes Escape to leave full screen, and the show plays on.
// The page itself handles full screen and the snapshot download.
#include "framework/window.h"

#include <emscripten/html5.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/web/page.h"
#include "glfixed/glfixed.h"

bool OrvWindow::registered = false;

struct OrvWindow::Platform {
    explicit Platform(OrvWindow& owner) : o(owner) {}

    int Open(int bits);
    static EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void* user);

    OrvWindow& o;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
};

OrvWindow::OrvWindow(const char* title) : platform(std::make_unique<Platform>(*this)), title(title)
{
    if (!registered)
        Init();
}

OrvWindow::~OrvWindow()
{
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, true, nullptr);
    if (platform->context) {
        OrvGlFixedRelease();
        emscripten_webgl_make_context_current(0);
        emscripten_webgl_destroy_context(platform->context);
    }
}

void OrvWindow::Init() { registered = true; }

int OrvWindow::Create(int, int, int b, int fs)
{
    fullscreen = static_cast<unsigned char>(fs);
    return platform->Open(b);
}

int OrvWindow::CreateDesktop(int b) { return platform->Open(b); }

// The browser presents the canvas when the animation frame returns.
void OrvWindow::Swap() {}

uintptr_t OrvWindow::WindowId() const { return static_cast<uintptr_t>(platform->context); }

bool OrvWindow::ModeSwitched() const { return false; }

int OrvWindow::Platform::Open(int bits)
{
    int w = 0, h = 0;
    emscripten_get_canvas_element_size(kOrvCanvas, &w, &h);
    o.width = w;
    o.height = h;
    o.bits = bits;
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_TRUE;
    attributes.antialias = o.samplesWanted >= 2 ? EM_TRUE : EM_FALSE;
    // The picture stays readable after it is shown: a held show draws
    // nothing, and the page saves what is on screen.
    attributes.preserveDrawingBuffer = EM_TRUE;
    context = emscripten_webgl_create_context(kOrvCanvas, &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        std::fprintf(stderr, "OrvWindow::Create: WebGL 2 context failed!\n");
        OrvPageFailed("This browser cannot draw the show: it offers no WebGL 2.");
        std::exit(2);
    }
    std::string why;
    if (!OrvGlFixedInit(&why)) {
        std::fprintf(stderr, "OrvWindow::Create: %s\n", why.c_str());
        OrvPageFailed(("The show's drawing cannot start: " + why).c_str());
        std::exit(2);
    }
    o.samplesInUse = attributes.antialias ? o.samplesWanted : 0;
    o.swapInterval = 1;  // the browser draws once per screen refresh
    o.shownWidth.store(w, std::memory_order_release);
    o.shownHeight.store(h, std::memory_order_release);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, true, OnKey);
    o.ready.store(true, std::memory_order_release);
    return 1;
}

EM_BOOL OrvWindow::Platform::OnKey(int, const EmscriptenKeyboardEvent* event, void* user)
{
    OrvWindow& o = static_cast<Platform*>(user)->o;
    const char* key = event->key;
    if (std::strcmp(key, "Escape") == 0) {
        if (!OrvPageFullScreen())
            o.quit.store(true, std::memory_order_release);
        return EM_FALSE;
    }
    static const struct {
        const char* name;
        OrvKey key;
    } kKeys[] = {{" ", OrvKey::Pause},
                 {"ArrowRight", OrvKey::NextScene},
                 {"ArrowLeft", OrvKey::PreviousScene},
                 {"Home", OrvKey::FirstScene}};
    for (const auto& k : kKeys)
        if (std::strcmp(key, k.name) == 0) {
            o.PushKey(k.key);
            return EM_TRUE;  // no scrolling of the page
        }
    return EM_FALSE;
}
