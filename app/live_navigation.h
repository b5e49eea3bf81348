// OrvLiveNavigation: the live show's own keys and --start.
//
// Space holds and resumes the show (its clock and the music together; the
// picture stays), Right goes to the start of the next scene, Left to the start
// of the current one (or of the previous one within a scene's first second),
// Home to the start of the show, F12 saves the frame on screen as
// orvdemo-NNNN.png in the directory the program was started from.
//
// Moving within the show puts the GL state back to the show's start state and
// enters the show afresh at the target (OrvReachFrame) on a run that draws
// every tick once, then sets the clock and the music to that point. A show in
// which none of these keys is pressed runs exactly as without this class.
//
// Threads: main thread only; the keys come through OrvWindow::NextKey.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "show/timeline.h"

class OrvMusic;
struct OrvShowPoint;
class OrvShow;
class OrvShowStartState;
class OrvTimer;
class OrvWindow;
enum class OrvKey : uint8_t;

// The live show's clock: the monotonic clock less the time spent paused.
class OrvShowClock {
public:
    uint32_t Now() const;
    void Pause(bool on);
    bool Paused() const { return paused; }

private:
    bool paused = false;
    uint32_t pausedAt = 0;
    uint32_t pausedTotal = 0;
};

class OrvLiveNavigation {
public:
    // `restarted` runs after the start state is restored (the caller's viewport
    // follows the window again); `snapshotDir` is where F12 writes.
    OrvLiveNavigation(OrvShow& show, OrvTimer& timer, OrvShowClock& clock, OrvMusic* music,
                      OrvShowStartState& start, OrvWindow& window, std::function<void()> restarted,
                      std::string snapshotDir);

    // Enters the show where --start says: a scene's first frame, or the first
    // frame at or after a show time.
    void EnterAt(const OrvShowPoint& point);

    // Holds the show, as Space does: one more frame is drawn, then it stays.
    void Hold();

    // Acts on the keys pressed since the last call; true while the show is
    // held and its picture is already on screen (nothing to draw now).
    bool Held();

    // At the top of a frame: acts on the keys pressed since the last frame, and
    // waits here while the show is held.
    void BeginFrame();

    // After the frame is drawn, before it is presented: saves it when F12 asked.
    void EndFrame();

    // Milliseconds of show since its start, as the show clock runs (held time
    // does not count; moving within the show moves it).
    int64_t ShowTime() const;

    // The show starts over from its first scene (--loop).
    void StartedOver();

private:
    void Handle(OrvKey key);
    void Enter(int64_t frame);
    // An RGB picture, top row first.
    struct Picture {
        std::vector<unsigned char> rgb;
        int width = 0;
        int height = 0;
    };
    Picture ReadPicture() const;
    void SaveSnapshot(const Picture& picture);

    OrvShow& show;
    OrvTimer& timer;
    OrvShowClock& clock;
    OrvMusic* music;
    OrvShowStartState& start;
    OrvWindow& window;
    std::function<void()> restarted;
    std::string snapshotDir;
    OrvShowTimeline timeline;
    uint32_t origin = 0;  // show clock reading at show time 0
    bool snapshotAsked = false;
    int snapshotNumber = 0;
    // Held: one more frame is drawn at the held time and kept here, since what a
    // window shows cannot be read back reliably (a front buffer may read black).
    bool holdStarting = false;
    Picture heldPicture;
};
