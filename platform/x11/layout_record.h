// The desktop's monitor layout as a switch records it on the X server's root
// window, for whoever has to put it back: its text, and reading it without
// trusting what lies there, since any client may write a root window's
// property. No X connection: X's types only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/x11/randr_crtcs.h"

namespace platform::layout_record {

// Everything a switch may change and a restore puts back.
struct Layout {
    int width = 0, height = 0, widthMM = 0, heightMM = 0;  // the screen
    RROutput primary = None;
    std::vector<randr::CrtcSetting> crtcs;

    // What the user sees; the physical size is the server's to round.
    bool sameAs(const Layout& other) const;
};

struct Record {
    unsigned long long serial = 0;  // names one switch among all shows'
    Layout desktop;                 // to put back
    Layout set;                     // as the switch left it
};

// What a record is checked against: the screen as the server describes it.
struct Screen {
    int minWidth = 0, minHeight = 0, maxWidth = 0, maxHeight = 0;
    std::vector<RRCrtc> crtcs;
    std::vector<RROutput> outputs;
};

// No switch writes more; a longer property is not read at all.
constexpr std::size_t longestRecord = 16 * 1024;

std::string textOf(const Record& record);

// A record, strictly: this format's number, every field where it belongs,
// nothing besides, and only sizes, CRTCs and outputs that `screen` can have.
// False, with what was wrong in `why`, for anything else.
bool parse(const std::string& text, const Screen& screen, Record& record, std::string& why);

}  // namespace platform::layout_record
