#include "platform/x11/randr_crtcs.h"

#include <algorithm>

namespace platform::randr {

std::vector<CrtcSetting> readCrtcs(Display* display, XRRScreenResources* resources) {
    std::vector<CrtcSetting> crtcs;
    for (int i = 0; i < resources->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (info == nullptr) continue;
        crtcs.push_back({resources->crtcs[i], info->mode, info->x, info->y, info->width,
                         info->height, info->rotation,
                         {info->outputs, info->outputs + info->noutput}});
        XRRFreeCrtcInfo(info);
    }
    return crtcs;
}

const CrtcSetting* monitorAtOrigin(const std::vector<CrtcSetting>& crtcs, RROutput primary) {
    const CrtcSetting* found = nullptr;
    for (const CrtcSetting& crtc : crtcs) {
        if (crtc.mode == None || crtc.x != 0 || crtc.y != 0) continue;
        const bool isPrimary =
            std::find(crtc.outputs.begin(), crtc.outputs.end(), primary) != crtc.outputs.end();
        if (found == nullptr || isPrimary) found = &crtc;
    }
    return found;
}

void windowCorner(Display* display, int& x, int& y) {
    x = y = 0;
    int eventBase = 0, errorBase = 0;
    if (!XRRQueryExtension(display, &eventBase, &errorBase)) return;
    const ::Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr) return;
    const RROutput primary = XRRGetOutputPrimary(display, root);
    const std::vector<CrtcSetting> crtcs = readCrtcs(display, resources);
    const CrtcSetting* chosen = nullptr;
    for (const CrtcSetting& crtc : crtcs) {
        if (crtc.mode == None) continue;
        const bool isPrimary =
            std::find(crtc.outputs.begin(), crtc.outputs.end(), primary) != crtc.outputs.end();
        if (isPrimary || chosen == nullptr || crtc.x + crtc.y < chosen->x + chosen->y) chosen = &crtc;
        if (isPrimary) break;
    }
    if (chosen != nullptr) {
        x = chosen->x;
        y = chosen->y;
    }
    XRRFreeScreenResources(resources);
}

const XRRModeInfo* modeInfo(const XRRScreenResources* resources, RRMode mode) {
    const XRRModeInfo* begin = resources->modes;
    const XRRModeInfo* end = begin + resources->nmode;
    const XRRModeInfo* info =
        std::find_if(begin, end, [&](const XRRModeInfo& m) { return m.id == mode; });
    return info == end ? nullptr : info;
}

RRMode modeFor(Display* display, XRRScreenResources* resources, const CrtcSetting& crtc,
               int width, int height) {
    std::vector<std::vector<RRMode>> offered;
    for (RROutput output : crtc.outputs) {
        if (XRROutputInfo* info = XRRGetOutputInfo(display, resources, output)) {
            offered.emplace_back(info->modes, info->modes + info->nmode);
            XRRFreeOutputInfo(info);
        }
    }
    if (offered.empty()) return None;
    for (RRMode mode : offered.front()) {
        const XRRModeInfo* info = modeInfo(resources, mode);
        if (info == nullptr) continue;
        if (static_cast<int>(info->width) != width || static_cast<int>(info->height) != height)
            continue;
        if (std::all_of(offered.begin(), offered.end(), [&](const std::vector<RRMode>& modes) {
                return std::find(modes.begin(), modes.end(), mode) != modes.end();
            }))
            return mode;
    }
    return None;
}

}  // namespace platform::randr
