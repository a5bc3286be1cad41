#include "platform/x11/xwayland_mode.h"

#include <X11/extensions/Xrandr.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/randr_crtcs.h"

namespace platform::xwayland {

namespace {

constexpr char outputPrefix[] = "XWAYLAND";

// What the switch changed, to be put back, and on which connection.
Display* switchedOn = nullptr;
randr::CrtcSetting desktop;

int xErrorsSeen = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrorsSeen;
    return 0;
}

// One CRTC change, checked to the end: the connection is SDL's, whose own
// error handler would end the process on a refused request.
bool setCrtc(Display* display, const randr::CrtcSetting& s) {
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return false;
    XSync(display, False);
    xErrorsSeen = 0;
    const XErrorHandler previous = XSetErrorHandler(countXError);
    const Status status = XRRSetCrtcConfig(display, resources, s.crtc, CurrentTime, s.x, s.y,
                                           s.mode, s.rotation, const_cast<RROutput*>(s.outputs.data()),
                                           static_cast<int>(s.outputs.size()));
    XSync(display, False);
    XSetErrorHandler(previous);
    XRRFreeScreenResources(resources);
    return status == RRSetConfigSuccess && xErrorsSeen == 0;
}

}  // namespace

bool detected(Display* display) {
    int eventBase = 0, errorBase = 0;
    if (display == nullptr || !XRRQueryExtension(display, &eventBase, &errorBase)) return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return false;
    bool found = false;
    for (int i = 0; i < resources->noutput && !found; ++i) {
        if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i])) {
            found = std::strncmp(output->name, outputPrefix, sizeof outputPrefix - 1) == 0;
            XRRFreeOutputInfo(output);
        }
    }
    XRRFreeScreenResources(resources);
    return found;
}

int switchMonitor(Display* display, int width, int height) {
    if (display == nullptr) return displayChangeFailed;
    const ::Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr) return displayChangeFailed;
    const std::vector<randr::CrtcSetting> crtcs = randr::readCrtcs(display, resources);
    const randr::CrtcSetting* target =
        randr::monitorAtOrigin(crtcs, XRRGetOutputPrimary(display, root));
    const RRMode mode =
        target != nullptr ? randr::modeFor(display, resources, *target, width, height) : None;
    XRRFreeScreenResources(resources);
    if (target == nullptr) return displayChangeFailed;
    if (mode == None) return displayChangeBadMode;
    // The screen keeps its size: the compositor scales the show's window.
    randr::CrtcSetting wanted = *target;
    wanted.mode = mode;
    wanted.rotation = RR_Rotate_0;
    if (!setCrtc(display, wanted)) return displayChangeFailed;
    if (switchedOn == nullptr) {
        switchedOn = display;
        desktop = *target;
    }
    return displayChangeSuccessful;
}

void restore() {
    if (switchedOn == nullptr) return;
    setCrtc(switchedOn, desktop);
    switchedOn = nullptr;
}

}  // namespace platform::xwayland
