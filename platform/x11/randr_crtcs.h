// The monitors of an X screen as RandR shows them, CRTC by CRTC, for the two
// ways the show switches one: on a connection of its own with the guardian
// (platform/x11/display_guardian.h), or on SDL's under Xwayland
// (platform/x11/xwayland_mode.h).
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <vector>

namespace platform::randr {

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

std::vector<CrtcSetting> readCrtcs(Display* display, XRRScreenResources* resources);

// The monitor the show's window stands on, at 0, 0: the primary one when it is
// there, else whichever is; null when none is.
const CrtcSetting* monitorAtOrigin(const std::vector<CrtcSetting>& crtcs, RROutput primary);

// The top left corner of the monitor where a window goes that cannot have the
// screen to itself: the primary monitor, else the one nearest the screen's
// top left corner; 0, 0 when RandR shows none.
void windowCorner(Display* display, int& x, int& y);

// The mode's description; null for a mode the server no longer has.
const XRRModeInfo* modeInfo(const XRRScreenResources* resources, RRMode mode);

// A mode of width x height that every output on the CRTC can show, in the
// first output's order of preference; None when there is none.
RRMode modeFor(Display* display, XRRScreenResources* resources, const CrtcSetting& crtc,
               int width, int height);

}  // namespace platform::randr
