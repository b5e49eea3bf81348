#include "app/live_navigation.h"

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>
#include <vector>

#include "app/capture.h"
#include "app/options.h"
#include "framework/files.h"
#include "framework/music.h"
#include "framework/png_image.h"
#include "framework/timer.h"
#include "framework/window.h"
#include "show/show.h"
#include "show/show_constants.h"
#include "show/start_state.h"

namespace {

// Frame i of a run that draws every tick once: the first millisecond of tick i.
uint32_t TickMilliseconds(int64_t i)
{
    return static_cast<uint32_t>((i * 1000 + OrvTicksPerSecond - 1) / OrvTicksPerSecond);
}

// Creates the first free orvdemo-NNNN.png in `dir`, counting on from `number`,
// and returns it open for writing, or null with errno set. A name taken by
// anything, a symbolic link too (even one pointing nowhere), is passed over:
// the file is always a new one of our own, never something a link leads to.
std::FILE* CreateSnapshotFile(const std::string& dir, int& number, std::string* path)
{
    constexpr int kLastNumber = 999999;
    while (number < kLastNumber) {
        char name[32];
        std::snprintf(name, sizeof name, "/orvdemo-%04d.png", ++number);
        *path = dir + name;
        std::FILE* file = OrvCreateNewFile(*path);
        if (file || errno != EEXIST)
            return file;
    }
    errno = EEXIST;
    return nullptr;
}

}  // namespace

uint32_t OrvShowClock::Now() const { return (paused ? pausedAt : OrvMonotonicMilliseconds()) - pausedTotal; }

void OrvShowClock::Pause(bool on)
{
    if (on == paused)
        return;
    const uint32_t now = OrvMonotonicMilliseconds();
    if (on)
        pausedAt = now;
    else
        pausedTotal += now - pausedAt;
    paused = on;
}

OrvLiveNavigation::OrvLiveNavigation(OrvShow& show, OrvTimer& timer, OrvShowClock& clock, OrvMusic* music,
                                     OrvShowStartState& start, OrvWindow& window, std::function<void()> restarted,
                                     std::string snapshotDir)
    : show(show),
      timer(timer),
      clock(clock),
      music(music),
      start(start),
      window(window),
      restarted(std::move(restarted)),
      snapshotDir(std::move(snapshotDir)),
      timeline(show.Entries(), TickMilliseconds),
      origin(clock.Now())
{
}

int64_t OrvLiveNavigation::ShowTime() const { return static_cast<int32_t>(clock.Now() - origin); }

void OrvLiveNavigation::StartedOver() { origin = clock.Now(); }

void OrvLiveNavigation::EnterAt(const OrvShowPoint& point)
{
    if (point.Given())
        Enter(OrvFrameOf(point, timeline, 0));
}

// Back to the start state, then into the show at `frame` of the tick-by-tick run.
void OrvLiveNavigation::Enter(int64_t frame)
{
    start.Restore();
    if (restarted)
        restarted();
    frame = std::clamp<int64_t>(frame, 0, timeline.Frames());
    const uint32_t sceneStart = OrvReachFrame(show, timeline, frame);
    const uint32_t at = frame < timeline.Frames() ? timeline.MillisecondsOf(frame) : 0;
    timer.ResetTo(at - sceneStart);
    origin = clock.Now() - at;
    if (music)
        music->Seek(at / 1000.0);
}

void OrvLiveNavigation::Handle(OrvKey key)
{
    const size_t scene = show.Position();
    switch (key) {
    case OrvKey::Pause:
        clock.Pause(!clock.Paused());
        if (music)
            music->Pause(clock.Paused());
        holdStarting = clock.Paused();
        heldPicture = {};
        break;
    case OrvKey::NextScene:
        Enter(timeline.FirstFrameOf(scene + 1));
        break;
    case OrvKey::PreviousScene: {
        // Within a scene's first second Left means the scene before.
        const bool early = scene > 0 && timer.Elapsed() < OrvTicksPerSecond;
        Enter(timeline.FirstFrameOf(early ? scene - 1 : scene));
        break;
    }
    case OrvKey::FirstScene:
        Enter(0);
        break;
    case OrvKey::Snapshot:
        snapshotAsked = true;
        break;
    case OrvKey::Nothing:
        break;
    }
}

void OrvLiveNavigation::Hold()
{
    if (!clock.Paused())
        Handle(OrvKey::Pause);
}

bool OrvLiveNavigation::Held()
{
    for (OrvKey key; (key = window.NextKey()) != OrvKey::Nothing;)
        Handle(key);
    if (!clock.Paused() || holdStarting || window.QuitRequested() || show.Ended())
        return false;
    if (snapshotAsked && !heldPicture.rgb.empty())
        SaveSnapshot(heldPicture);
    return true;
}

void OrvLiveNavigation::BeginFrame()
{
    // Held: the last picture stays on screen; keys and a quit still work.
    while (Held())
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void OrvLiveNavigation::EndFrame()
{
    if (holdStarting) {
        // The first frame at the held time: the picture that stays on screen.
        holdStarting = false;
        heldPicture = ReadPicture();
    }
    if (snapshotAsked)
        SaveSnapshot(heldPicture.rgb.empty() ? ReadPicture() : heldPicture);
}

// The frame just drawn (the back buffer).
OrvLiveNavigation::Picture OrvLiveNavigation::ReadPicture() const
{
    const int width = window.Width(), height = window.Height();
    std::vector<unsigned char> rows(static_cast<size_t>(width) * height * 3);
    GLint alignment = 4, readBuffer = GL_BACK;
    glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    glReadBuffer(static_cast<GLenum>(readBuffer));
    glPixelStorei(GL_PACK_ALIGNMENT, alignment);
    // GL's rows run bottom-up; a PNG's top-down.
    std::vector<unsigned char> picture(rows.size());
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        std::copy_n(&rows[static_cast<size_t>(height - 1 - y) * stride], stride,
                    &picture[static_cast<size_t>(y) * stride]);
    return {std::move(picture), width, height};
}

// Writes `picture` to the next free orvdemo-NNNN.png.
void OrvLiveNavigation::SaveSnapshot(const Picture& picture)
{
    snapshotAsked = false;
    std::string path;
    std::FILE* file = CreateSnapshotFile(snapshotDir, snapshotNumber, &path);
    std::string error;
    bool saved = false;
    if (!file)
        error = path + ": " + std::strerror(errno);
    else if (!(saved = WritePNG(file, path, picture.rgb.data(), picture.width, picture.height, &error)))
        OrvRemoveFile(path);  // ours, and only part of a picture
    if (saved)
        std::fprintf(stderr, "orvdemo: saved the frame on screen to %s\n", path.c_str());
    else
        std::fprintf(stderr, "orvdemo: cannot save the frame on screen: %s\n", error.c_str());
}
