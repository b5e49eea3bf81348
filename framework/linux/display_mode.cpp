#include "framework/linux/display_mode.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

#include "framework/linux/x11_errors.h"

namespace {

// Refresh rate of a mode line in Hz, from its pixel clock and totals.
double RefreshOf(const XRRModeInfo& mode)
{
    double vTotal = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan)
        vTotal *= 2;
    if (mode.modeFlags & RR_Interlace)
        vTotal /= 2;
    if (mode.hTotal == 0 || vTotal == 0)
        return 0;
    return static_cast<double>(mode.dotClock) / (mode.hTotal * vTotal);
}

// The modes an output can show, looked up in the screen's mode table.
std::vector<OrvModeCandidate> OutputModes(const XRRScreenResources* res, const XRROutputInfo* out)
{
    std::vector<OrvModeCandidate> modes;
    for (int i = 0; i < out->nmode; ++i) {
        for (int j = 0; j < res->nmode; ++j) {
            const XRRModeInfo& m = res->modes[j];
            if (m.id != out->modes[i])
                continue;
            modes.push_back({m.id, m.width, m.height, RefreshOf(m), (m.modeFlags & RR_Interlace) != 0});
        }
    }
    return modes;
}

// The primary output, or the first connected output that drives a CRTC.
RROutput PickOutput(Display* display, Window root, const XRRScreenResources* res)
{
    RROutput primary = XRRGetOutputPrimary(display, root);
    if (primary != None)
        return primary;
    for (int i = 0; i < res->noutput; ++i) {
        XRROutputInfo* out = XRRGetOutputInfo(display, const_cast<XRRScreenResources*>(res), res->outputs[i]);
        bool usable = out && out->connection == RR_Connected && out->crtc != None;
        if (out)
            XRRFreeOutputInfo(out);
        if (usable)
            return res->outputs[i];
    }
    return None;
}

}  // namespace

int OrvPickMode(const std::vector<OrvModeCandidate>& modes, unsigned width, unsigned height,
                double refresh)
{
    int best = -1;
    double bestDistance = 0;
    for (size_t i = 0; i < modes.size(); ++i) {
        const OrvModeCandidate& m = modes[i];
        if (m.interlaced || m.width != width || m.height != height)
            continue;
        double distance = std::fabs(std::round(m.refresh) - refresh);
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(i);
            bestDistance = distance;
        }
    }
    return best;
}

bool OrvDisplayMode::Fail(const std::string& why)
{
    error = why;
    return false;
}

bool OrvDisplayMode::Switch(Display* display, int width, int height, double refresh)
{
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase) || !XRRQueryVersion(display, &major, &minor))
        return Fail("no XRandR extension");
    if (major < 1 || (major == 1 && minor < 3))
        return Fail("XRandR older than 1.3");
    displayName = DisplayString(display);
    Window root = DefaultRootWindow(display);
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(display, root);
    if (!res)
        return Fail("no screen resources");
    bool ok = false;
    RROutput output = PickOutput(display, root, res);
    XRROutputInfo* out = output != None ? XRRGetOutputInfo(display, res, output) : nullptr;
    XRRCrtcInfo* ci = out && out->crtc != None ? XRRGetCrtcInfo(display, res, out->crtc) : nullptr;
    if (!ci) {
        Fail("no active primary output");
    } else {
        bool sideways = ci->rotation & (RR_Rotate_90 | RR_Rotate_270);
        std::vector<OrvModeCandidate> modes = OutputModes(res, out);
        int pick = sideways ? OrvPickMode(modes, height, width, refresh) : OrvPickMode(modes, width, height, refresh);
        if (pick < 0) {
            Fail("no " + std::to_string(width) + "x" + std::to_string(height) + " mode on the primary output");
        } else {
            crtc = out->crtc;
            savedMode = ci->mode;
            crtcX = ci->x;
            crtcY = ci->y;
            rotation = ci->rotation;
            outputs.assign(ci->outputs, ci->outputs + ci->noutput);
            ok = modes[pick].id == savedMode;
            if (!ok) {
                StartGuardian();
                OrvTrapXErrors();
                Status status = XRRSetCrtcConfig(display, res, crtc, CurrentTime, crtcX, crtcY, modes[pick].id,
                                                 rotation, outputs.data(), static_cast<int>(outputs.size()));
                int xerror = OrvUntrapXErrors(display);
                switched = ok = status == RRSetConfigSuccess && xerror == 0;
                if (!ok) {
                    DismissGuardian();
                    Fail("XRRSetCrtcConfig refused the mode");
                }
            }
        }
    }
    if (ci)
        XRRFreeCrtcInfo(ci);
    if (out)
        XRRFreeOutputInfo(out);
    XRRFreeScreenResources(res);
    return ok;
}

void OrvDisplayMode::Restore(Display* display)
{
    if (!switched)
        return;
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!res)
        return;
    OrvTrapXErrors();
    XRRSetCrtcConfig(display, res, crtc, CurrentTime, crtcX, crtcY, savedMode, rotation, outputs.data(),
                     static_cast<int>(outputs.size()));
    OrvUntrapXErrors(display);
    XRRFreeScreenResources(res);
    switched = false;
    DismissGuardian();
}

// Forks the guardian: a process that holds a copy of the saved mode and waits
// on a pipe from us. If we end without restoring the mode (SIGKILL, a crash, a
// hang cut short), the pipe closes without the "done" byte and the guardian
// restores the mode through a connection of its own. It is forked before the
// window thread starts, while no other thread of ours uses Xlib, and touches
// Xlib only after we are gone.
void OrvDisplayMode::StartGuardian()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        return;
    const pid_t pid = fork();
    if (pid < 0) {
        close(ends[0]);
        close(ends[1]);
        return;
    }
    if (pid == 0) {
        close(ends[1]);
        GuardianMain(ends[0]);
    }
    close(ends[0]);
    guardian = pid;
    guardianPipe = ends[1];
}

// The guardian's whole life; never returns.
void OrvDisplayMode::GuardianMain(int fromOwner)
{
    // Outlive whatever ends the owner, a Ctrl+C on its terminal included.
    for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGALRM, SIGTERM, SIGUSR1, SIGUSR2})
        signal(sig, SIG_IGN);
    prctl(PR_SET_NAME, "orv-guardian");
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
    }
    // Only the pipe and stderr stay open: nothing of the owner's is kept alive.
    for (int fd = 3; fd < 1024; ++fd)
        if (fd != fromOwner)
            close(fd);
    char byte = 0;
    ssize_t n;
    while ((n = read(fromOwner, &byte, 1)) < 0 && errno == EINTR) {
    }
    if (n == 1 && byte == kGuardianDone)
        _exit(0);
    switched = true;  // forked just before the switch was made
    RestoreElsewhere();
    _exit(0);
}

// Tells the guardian the mode is back and reaps it.
void OrvDisplayMode::DismissGuardian()
{
    if (guardian <= 0)
        return;
    const char done = kGuardianDone;
    if (write(guardianPipe, &done, 1) != 1) {
        // It is gone already; it can only have restored the mode.
    }
    close(guardianPipe);
    guardianPipe = -1;
    while (waitpid(guardian, nullptr, 0) < 0 && errno == EINTR) {
    }
    guardian = -1;
}

void OrvDisplayMode::RestoreElsewhere()
{
    if (!switched)
        return;
    Display* display = XOpenDisplay(displayName.c_str());
    if (!display)
        return;
    Restore(display);
    XCloseDisplay(display);
}
