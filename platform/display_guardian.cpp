#include "platform/display_guardian.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace platform::guardian {

namespace {

// What RandR shows on one CRTC: a mode at a place, turned, on some outputs.
struct CrtcSetting {
    RRCrtc crtc = None;
    RRMode mode = None;  // None: off
    int x = 0, y = 0;
    unsigned width = 0, height = 0;  // as it lies on the screen, rotation applied
    Rotation rotation = RR_Rotate_0;
    std::vector<RROutput> outputs;

    bool sameAs(const CrtcSetting& other) const {
        return mode == other.mode && x == other.x && y == other.y && rotation == other.rotation &&
               outputs == other.outputs;
    }
};

// Everything a switch may change and a restore puts back.
struct Layout {
    int width = 0, height = 0, widthMM = 0, heightMM = 0;  // the screen
    RROutput primary = None;
    std::vector<CrtcSetting> crtcs;
};

// One connection for one piece of work, so that the guardian sees the screen
// as it is now and holds no connection while it waits.
struct Connection {
    Display* display = nullptr;
    ::Window root = None;
    XRRScreenResources* resources = nullptr;
};

int xErrorsSeen = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrorsSeen;
    return 0;  // a refused request is reported, not fatal
}

// The work needs RandR 1.2: CRTCs and outputs, not only whole-screen sizes.
template <typename Work>
int withConnection(Work work) {
    Connection c;
    c.display = XOpenDisplay(nullptr);
    if (c.display == nullptr) return displayChangeFailed;
    int result = displayChangeFailed, eventBase = 0, errorBase = 0, major = 0, minor = 0;
    c.root = DefaultRootWindow(c.display);
    if (XRRQueryExtension(c.display, &eventBase, &errorBase) &&
        XRRQueryVersion(c.display, &major, &minor) && (major > 1 || minor >= 2) &&
        (c.resources = XRRGetScreenResourcesCurrent(c.display, c.root)) != nullptr) {
        result = work(c);
        XRRFreeScreenResources(c.resources);
    }
    XCloseDisplay(c.display);
    return result;
}

Layout readLayout(const Connection& c) {
    const int screen = DefaultScreen(c.display);
    Layout layout{DisplayWidth(c.display, screen), DisplayHeight(c.display, screen),
                  DisplayWidthMM(c.display, screen), DisplayHeightMM(c.display, screen),
                  XRRGetOutputPrimary(c.display, c.root), {}};
    for (int i = 0; i < c.resources->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(c.display, c.resources, c.resources->crtcs[i]);
        if (info == nullptr) continue;
        layout.crtcs.push_back({c.resources->crtcs[i], info->mode, info->x, info->y, info->width,
                                info->height, info->rotation,
                                {info->outputs, info->outputs + info->noutput}});
        XRRFreeCrtcInfo(info);
    }
    return layout;
}

bool setCrtc(const Connection& c, const CrtcSetting& s) {
    return XRRSetCrtcConfig(c.display, c.resources, s.crtc, CurrentTime, s.x, s.y, s.mode,
                            s.rotation, const_cast<RROutput*>(s.outputs.data()),
                            static_cast<int>(s.outputs.size())) == RRSetConfigSuccess;
}

// Moves from one layout to another through a screen large enough for both, so
// that every step is one the server accepts and no other monitor goes dark on
// the way. CRTCs already as wanted are not touched.
bool apply(const Connection& c, const Layout& from, const Layout& to) {
    const int wideWidth = std::max(from.width, to.width);
    const int wideHeight = std::max(from.height, to.height);
    auto resize = [&](int oldWidth, int oldHeight, int width, int height, int widthMM,
                      int heightMM) {
        if (width != oldWidth || height != oldHeight)
            XRRSetScreenSize(c.display, c.root, width, height, widthMM, heightMM);
    };
    xErrorsSeen = 0;
    bool done = true;
    XGrabServer(c.display);
    resize(from.width, from.height, wideWidth, wideHeight, std::max(from.widthMM, to.widthMM),
           std::max(from.heightMM, to.heightMM));
    for (const CrtcSetting& wanted : to.crtcs) {
        const auto now = std::find_if(from.crtcs.begin(), from.crtcs.end(),
                                      [&](const CrtcSetting& s) { return s.crtc == wanted.crtc; });
        if (now == from.crtcs.end() || !now->sameAs(wanted)) done = setCrtc(c, wanted) && done;
    }
    resize(wideWidth, wideHeight, to.width, to.height, to.widthMM, to.heightMM);
    if (to.primary != from.primary) XRRSetOutputPrimary(c.display, c.root, to.primary);
    XUngrabServer(c.display);
    XSync(c.display, False);
    return done && xErrorsSeen == 0;
}

// A mode of width x height that every output on the CRTC can show, in the
// first output's order of preference.
RRMode modeFor(const Connection& c, const CrtcSetting& crtc, int width, int height) {
    std::vector<std::vector<RRMode>> offered;
    for (RROutput output : crtc.outputs) {
        if (XRROutputInfo* info = XRRGetOutputInfo(c.display, c.resources, output)) {
            offered.emplace_back(info->modes, info->modes + info->nmode);
            XRRFreeOutputInfo(info);
        }
    }
    if (offered.empty()) return None;
    for (RRMode mode : offered.front()) {
        const XRRModeInfo* info = std::find_if(
            c.resources->modes, c.resources->modes + c.resources->nmode,
            [&](const XRRModeInfo& m) { return m.id == mode; });
        if (info == c.resources->modes + c.resources->nmode) continue;
        if (static_cast<int>(info->width) != width || static_cast<int>(info->height) != height)
            continue;
        if (std::all_of(offered.begin(), offered.end(), [&](const std::vector<RRMode>& modes) {
                return std::find(modes.begin(), modes.end(), mode) != modes.end();
            }))
            return mode;
    }
    return None;
}

// The screen keeps its physical size per pixel (96 per inch if it has none:
// the server refuses a size of 0 mm).
int scaledMM(int pixels, int fromPixels, int fromMM) {
    if (fromPixels <= 0 || fromMM <= 0) return std::max(1, pixels * 254 / 960);
    return std::max(1, static_cast<int>(static_cast<long>(pixels) * fromMM / fromPixels));
}

// On a connection of its own: one that has made changes has a stale idea of
// the screen's size.
int putBack(const Layout& saved) {
    return withConnection([&](const Connection& c) {
        return apply(c, readLayout(c), saved) ? displayChangeSuccessful : displayChangeFailed;
    });
}

int switchOn(const Connection& c, std::optional<Layout>& saved, int width, int height) {
    const Layout now = readLayout(c);
    // The show's window stands at 0, 0: the primary monitor when it is there,
    // else whichever monitor is.
    const CrtcSetting* target = nullptr;
    for (const CrtcSetting& crtc : now.crtcs) {
        if (crtc.mode == None || crtc.x != 0 || crtc.y != 0) continue;
        const bool primary = std::find(crtc.outputs.begin(), crtc.outputs.end(), now.primary) !=
                             crtc.outputs.end();
        if (target == nullptr || primary) target = &crtc;
    }
    if (target == nullptr) return displayChangeFailed;
    const RRMode mode = modeFor(c, *target, width, height);
    if (mode == None) return displayChangeBadMode;

    Layout wanted = now;
    int right = 0, bottom = 0;
    for (CrtcSetting& crtc : wanted.crtcs) {
        if (crtc.crtc == target->crtc) {
            crtc.mode = mode;
            crtc.rotation = RR_Rotate_0;
            crtc.width = static_cast<unsigned>(width);
            crtc.height = static_cast<unsigned>(height);
        }
        if (crtc.mode == None) continue;
        right = std::max(right, crtc.x + static_cast<int>(crtc.width));
        bottom = std::max(bottom, crtc.y + static_cast<int>(crtc.height));
    }
    // The screen shrinks to the monitors' extent: with one monitor the whole
    // screen becomes width x height.
    wanted.width = right;
    wanted.height = bottom;
    wanted.widthMM = scaledMM(right, now.width, now.widthMM);
    wanted.heightMM = scaledMM(bottom, now.height, now.heightMM);
    if (!saved) saved = now;
    if (apply(c, now, wanted)) return displayChangeSuccessful;
    // Half a switch is worse than none.
    putBack(*saved);
    saved.reset();
    return displayChangeFailed;
}

// The request the show sends; the guardian answers each with an int.
struct Request {
    enum Kind : int { switchMonitor, restore } kind = restore;
    int width = 0, height = 0;
};

[[noreturn]] void guard(int channel, pid_t show) {
    prctl(PR_SET_NAME, "kelvora-guard");
    // Ctrl+C, a closed terminal or a kill meant for the whole process group
    // reach the guardian too: it goes on until the show is gone, then restores.
    struct sigaction wake {};
    wake.sa_handler = [](int) {};
    sigemptyset(&wake.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(signal, &wake, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Should anything else still hold the show's end of the channel, the
    // show's death still wakes the guardian.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    XSetErrorHandler(countXError);

    std::optional<Layout> saved;
    while (getppid() == show) {
        Request request;
        const ssize_t got = recv(channel, &request, sizeof request, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got != sizeof request) break;  // the show has gone
        int reply = displayChangeSuccessful;
        if (request.kind == Request::switchMonitor) {
            reply = withConnection([&](const Connection& c) {
                return switchOn(c, saved, request.width, request.height);
            });
        } else if (saved) {
            reply = putBack(*saved);
            saved.reset();  // from now on the layout is the user's
        }
        send(channel, &reply, sizeof reply, MSG_NOSIGNAL);
    }
    if (saved) putBack(*saved);
    _exit(0);
}

int channel = -1;  // the show's end

int ask(const Request& request) {
    int reply = displayChangeFailed;
    if (channel < 0 || send(channel, &request, sizeof request, MSG_NOSIGNAL) != sizeof request)
        return displayChangeFailed;
    ssize_t got = 0;
    do {
        got = recv(channel, &reply, sizeof reply, 0);
    } while (got < 0 && errno == EINTR);
    return got == sizeof reply ? reply : displayChangeFailed;
}

}  // namespace

bool start() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return false;
    const pid_t show = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        guard(ends[1], show);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return false;
    }
    channel = ends[0];
    return true;
}

int switchMonitor(int width, int height) {
    return ask({Request::switchMonitor, width, height});
}

void restore() { ask({}); }

}  // namespace platform::guardian
