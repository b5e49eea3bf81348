// OrvCaptureProgress: a capture's progress report on stderr, a redrawn bar on
// a terminal, else a line every few seconds. The single capture and the
// parallel capture draw the same one.
//
// Threads: use from one thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "framework/files.h"

class OrvCaptureProgress {
public:
    explicit OrvCaptureProgress(int64_t total) : total(total), tty(OrvIsTerminal(stderr)) {}

    void Update(int64_t done, const char* scene)
    {
        const double now = Seconds();
        const double every = tty ? 0.2 : 5.0;
        if (done < total && now - shown < every)
            return;
        shown = now;
        const double fps = now > 0 ? done / now : 0;
        const double left = fps > 0 ? (total - done) / fps : 0;
        const int percent = static_cast<int>(100 * done / total);
        if (tty) {
            const int width = 24;
            const int full = static_cast<int>(width * done / total);
            std::fprintf(stderr, "\r[%s%s] %-8s frame %lld/%lld %3d%% %5.1f fps %s left ",
                         std::string(full, '#').c_str(), std::string(width - full, '-').c_str(), scene,
                         static_cast<long long>(done), static_cast<long long>(total), percent, fps,
                         Clock(left).c_str());
            drawn = done < total;
            if (done == total)
                std::fputc('\n', stderr);
        } else {
            std::fprintf(stderr, "capture: %s, frame %lld/%lld (%d%%), %.1f fps, %s left\n", scene,
                         static_cast<long long>(done), static_cast<long long>(total), percent, fps,
                         Clock(left).c_str());
        }
        std::fflush(stderr);
    }

    // Ends a half-drawn bar before another message is printed.
    void Break()
    {
        if (drawn)
            std::fputc('\n', stderr);
        drawn = false;
    }

    double Seconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }

private:
    static std::string Clock(double seconds)
    {
        const long s = seconds > 0 ? static_cast<long>(seconds + 0.5) : 0;
        char text[32];
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
        return text;
    }

    int64_t total;
    bool tty;
    bool drawn = false;  // a bar is on the line, without its newline
    double shown = -1e9;
    std::chrono::steady_clock::time_point begin = std::chrono::steady_clock::now();
};
