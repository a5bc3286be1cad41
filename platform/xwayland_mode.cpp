#include "platform/xwayland_mode.h"

#include <X11/extensions/Xrandr.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"

namespace platform::xwayland {

namespace {

constexpr char outputPrefix[] = "XWAYLAND";

// What the switch changed, to be put back.
struct Switched {
    Display* display = nullptr;
    RRCrtc crtc = None;
    RRMode mode = None;
    int x = 0, y = 0;
    Rotation rotation = RR_Rotate_0;
    std::vector<RROutput> outputs;
};
Switched switched;

int xErrorsSeen = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrorsSeen;
    return 0;
}

// One CRTC change, checked to the end: the connection is SDL's, whose own
// error handler would end the process on a refused request.
bool setCrtc(Display* display, RRCrtc crtc, RRMode mode, int x, int y, Rotation rotation,
             std::vector<RROutput>& outputs) {
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return false;
    XSync(display, False);
    xErrorsSeen = 0;
    const XErrorHandler previous = XSetErrorHandler(countXError);
    const Status status = XRRSetCrtcConfig(display, resources, crtc, CurrentTime, x, y, mode, rotation,
                                           outputs.data(), static_cast<int>(outputs.size()));
    XSync(display, False);
    XSetErrorHandler(previous);
    XRRFreeScreenResources(resources);
    return status == RRSetConfigSuccess && xErrorsSeen == 0;
}

bool isMode(const XRRScreenResources* resources, RRMode id, int width, int height) {
    for (int i = 0; i < resources->nmode; ++i)
        if (resources->modes[i].id == id)
            return static_cast<int>(resources->modes[i].width) == width &&
                   static_cast<int>(resources->modes[i].height) == height;
    return false;
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
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (resources == nullptr) return displayChangeFailed;
    // The output the show's window covers: the one at the origin.
    Switched found;
    RRMode wanted = None;
    for (int i = 0; i < resources->ncrtc && found.crtc == None; ++i) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (crtc == nullptr) continue;
        if (crtc->mode != None && crtc->x == 0 && crtc->y == 0 && crtc->noutput > 0) {
            found = {display, resources->crtcs[i], crtc->mode, crtc->x, crtc->y, crtc->rotation,
                     {crtc->outputs, crtc->outputs + crtc->noutput}};
            if (XRROutputInfo* output = XRRGetOutputInfo(display, resources, crtc->outputs[0])) {
                for (int m = 0; m < output->nmode && wanted == None; ++m)
                    if (isMode(resources, output->modes[m], width, height)) wanted = output->modes[m];
                XRRFreeOutputInfo(output);
            }
        }
        XRRFreeCrtcInfo(crtc);
    }
    XRRFreeScreenResources(resources);
    if (found.crtc == None) return displayChangeFailed;
    if (wanted == None) return displayChangeBadMode;
    if (!setCrtc(display, found.crtc, wanted, found.x, found.y, RR_Rotate_0, found.outputs))
        return displayChangeFailed;
    if (switched.display == nullptr) switched = found;
    return displayChangeSuccessful;
}

void restore() {
    if (switched.display == nullptr) return;
    setCrtc(switched.display, switched.crtc, switched.mode, switched.x, switched.y,
            switched.rotation, switched.outputs);
    switched = {};
}

}  // namespace platform::xwayland
