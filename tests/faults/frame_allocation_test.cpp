// Counts heap allocations made by the program's own code while the show plays:
// operator new called from it (directly or through the C++ library), and the
// malloc family called directly from it (linked with --wrap, so the GL
// driver's own mallocs are not seen). The driver's shader compiler allocates
// through operator new as well; those calls are told apart by their callers.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <pthread.h>
#include <unistd.h>

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cstring>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "show/scene_set.h"
#include "show/show.h"
#include "framework/offscreen.h"
#include "framework/timer.h"
#include "support/play_show.h"

extern "C" void* __real_malloc(size_t size);
extern "C" void* __real_calloc(size_t count, size_t size);
extern "C" void* __real_realloc(void* p, size_t size);

namespace {

std::atomic<bool> counting{false};
pthread_t countedThread;

bool Counted() { return counting.load(std::memory_order_relaxed) && pthread_equal(pthread_self(), countedThread); }
std::atomic<int64_t> newCalls{0};
std::atomic<int64_t> driverNewCalls{0};
std::atomic<int64_t> mallocCalls{0};
thread_local bool inHook = false;

extern "C" char __executable_start[];
extern "C" char etext[];

bool InExecutable(void* pc) { return pc >= static_cast<void*>(__executable_start) && pc < static_cast<void*>(etext); }

// True for the C and C++ runtime libraries (and sanitizer runtimes), which
// allocate on behalf of whoever called them.
bool InRuntimeLibrary(void* pc)
{
    Dl_info info{};
    if (dladdr(pc, &info) == 0 || !info.dli_fname)
        return false;
    for (const char* name : {"libstdc++", "libc.so", "libm.so", "libgcc_s", "libasan", "libubsan", "ld-linux"})
        if (std::strstr(info.dli_fname, name))
            return true;
    return false;
}

// True when no frame of the call stack lies in a library besides the runtime
// ones: the program's code is linked into the test executable, while the GL
// driver and its shader compiler are shared libraries that the call passes through.
bool CalledFromOurCode()
{
    void* frames[32];
    const int n = backtrace(frames, 32);
    for (int i = 1; i < n; ++i)
        if (!InExecutable(frames[i]) && !InRuntimeLibrary(frames[i]))
            return false;
    return true;
}

// Records one operator new call made on the drawing thread.
void CountNew()
{
    if (!Counted() || inHook)
        return;
    inHook = true;
    if (CalledFromOurCode())
        ++newCalls;
    else
        ++driverNewCalls;
    inHook = false;
}


void* CountedNew(size_t size)
{
    CountNew();
    if (void* p = __real_malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void* CountedAlignedNew(size_t size, std::align_val_t align)
{
    CountNew();
    if (void* p = std::aligned_alloc(static_cast<size_t>(align), (size + static_cast<size_t>(align) - 1) &
                                                                         ~(static_cast<size_t>(align) - 1)))
        return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(size_t size) { return CountedNew(size); }
void* operator new[](size_t size) { return CountedNew(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    try {
        return CountedNew(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void* operator new(size_t size, std::align_val_t align) { return CountedAlignedNew(size, align); }
void* operator new[](size_t size, std::align_val_t align) { return CountedAlignedNew(size, align); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { std::free(p); }

extern "C" void* __wrap_malloc(size_t size)
{
    if (Counted() && !inHook)
        ++mallocCalls;
    return __real_malloc(size);
}
extern "C" void* __wrap_calloc(size_t count, size_t size)
{
    if (Counted() && !inHook)
        ++mallocCalls;
    return __real_calloc(count, size);
}
extern "C" void* __wrap_realloc(void* p, size_t size)
{
    if (Counted() && !inHook)
        ++mallocCalls;
    return __real_realloc(p, size);
}

namespace {

struct Counts {
    int64_t news;
    int64_t driverNews;
    int64_t mallocs;
};

// Counts what `run` allocates on this thread.
template <typename Run>
Counts CountDuring(Run run)
{
    void* warm[4];
    backtrace(warm, 4);  // its first call loads the unwinder
    newCalls = 0;
    driverNewCalls = 0;
    mallocCalls = 0;
    countedThread = pthread_self();
    counting = true;
    run();
    counting = false;
    return {newCalls.load(), driverNewCalls.load(), mallocCalls.load()};
}

}  // namespace

TEST(FrameAllocations, ShowLoopAllocatesNothingInAnyScene)
{
    OrvOffscreen gl(160, 120);
    ASSERT_TRUE(gl.Ok()) << gl.Error();
    char cwd[PATH_MAX];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(ORV_DATA_DIR), 0);
    {
        OrvSceneSet scenes;
        OrvSceneSet::SetGlobalState();
        OrvShow show(scenes.Schedule());
        int64_t frames = 0;
        // 7 ticks a frame: about 580 frames, every scene from its first frame to its last.
        const Counts counts = CountDuring([&] { frames = PlayShow(show, 233); });
        EXPECT_TRUE(show.Ended());
        EXPECT_GT(frames, 500);
        EXPECT_EQ(counts.news, 0) << "operator new calls from our code over " << frames << " frames";
        EXPECT_EQ(counts.mallocs, 0) << "malloc calls from our code over " << frames << " frames";
        std::printf("%lld frames; the GL driver called operator new %lld times\n", static_cast<long long>(frames),
                    static_cast<long long>(counts.driverNews));
    }
    EXPECT_EQ(chdir(cwd), 0);
}

// The hooks must see our own allocations, also those made inside the C++
// library on our behalf, or a zero above proves nothing.
TEST(FrameAllocations, CountingHooksSeeNewStringGrowthAndMalloc)
{
    std::string* volatile text = nullptr;
    int* volatile p = nullptr;
    void* volatile q = nullptr;
    const Counts counts = CountDuring([&] {
        p = new int(1);
        q = malloc(16);
        text = new std::string("short");
        text->reserve(1000);
    });
    delete p;
    free(q);
    delete text;
    EXPECT_EQ(counts.news, 3);
    EXPECT_EQ(counts.driverNews, 0);
    EXPECT_EQ(counts.mallocs, 1);
}
