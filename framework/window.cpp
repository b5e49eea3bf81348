// The part of OrvWindow every platform shares: the key ring and swap pacing.
#include "framework/window.h"

#include <algorithm>
#include <thread>

void OrvWindow::SetPicture(int samples, int vsync)
{
    samplesWanted = samples;
    vsyncWanted = vsync;
}

OrvKey OrvWindow::NextKey()
{
    const uint32_t read = keysRead.load(std::memory_order_relaxed);
    if (read == keysWritten.load(std::memory_order_acquire))
        return OrvKey::Nothing;
    const OrvKey key = keys[read % keys.size()].load(std::memory_order_relaxed);
    keysRead.store(read + 1, std::memory_order_release);
    return key;
}

void OrvWindow::PushKey(OrvKey key)
{
    const uint32_t written = keysWritten.load(std::memory_order_relaxed);
    if (key != OrvKey::Nothing && written - keysRead.load(std::memory_order_acquire) < keys.size()) {
        keys[written % keys.size()].store(key, std::memory_order_relaxed);
        keysWritten.store(written + 1, std::memory_order_release);
    }
}

void OrvWindow::PaceSwap()
{
    // Asked to wait for the refresh on a driver without swap control: keep to
    // 60 frames a second instead of drawing frames no screen can show.
    if (vsyncWanted == 1 && swapInterval < 0) {
        const auto period = std::chrono::microseconds(1000000 / 60);
        const auto now = std::chrono::steady_clock::now();
        if (now < nextSwap)
            std::this_thread::sleep_until(nextSwap);
        nextSwap = std::max(now, nextSwap) + period;
    }
}
