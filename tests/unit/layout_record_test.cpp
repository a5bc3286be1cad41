// What the record on the root window may hold: any client can write there, so
// only a record this format allows, for the screen that the server has.
// GoogleTest before X's headers, whose macros (None) would break its own.
#include <gtest/gtest.h>

#include "platform/x11/layout_record.h"

namespace {

using platform::layout_record::Record;

// The screen as the server describes it: two CRTCs, two outputs.
const platform::layout_record::Screen screen{8, 8, 4096, 4096, {63, 64}, {71, 72}};

// A switch of one monitor from 1024x768 to 640x480.
std::string sample() {
    Record record{1234567890123ULL, {}, {}};
    record.desktop = {1024, 768, 271, 203, 71, {{63, 80, 0, 0, 1024, 768, RR_Rotate_0, {71}}}};
    record.set = {640, 480, 169, 127, 71, {{63, 90, 0, 0, 640, 480, RR_Rotate_0, {71}}}};
    return platform::layout_record::textOf(record);
}
std::string edited(const std::string& from, const std::string& to) {
    std::string text = sample();
    return text.replace(text.find(from), from.size(), to);
}

TEST(LayoutRecord, TakesOnlyWhatASwitchWritesForThisScreen) {
    struct Row {
        const char* what;
        std::string text;
        bool taken;
    };
    const Row rows[] = {
        {"a record as a switch writes it", sample(), true},
        {"another format's number", edited("layout 1", "layout 2"), false},
        {"no serial", edited("serial 1234567890123\n", ""), false},
        {"a screen larger than the server allows", edited("desktop 1024 768", "desktop 32767 32767"), false},
        {"a zero screen width", edited("desktop 1024", "desktop 0"), false},
        {"a CRTC wider than its screen", edited("0 0 640", "0 0 800"), false},
        {"a CRTC the screen does not have", edited("crtc 63 80", "crtc 65 80"), false},
        {"a CRTC twice", edited("set 640", "crtc 63 80 0 0 1024 768 1 71\nset 640"), false},
        {"an output the screen does not have", edited("768 1 71", "768 1 73"), false},
        {"a primary output the screen does not have", edited("203 71", "203 73"), false},
        {"a rotation RandR does not know", edited("768 1 71", "768 3 71"), false},
        {"junk after a line's fields", edited("127 71", "127 71 x"), false},
        {"text after the last line", sample() + "x", false},
    };
    for (const Row& row : rows) {
        Record read;
        std::string why = "unset";
        const bool taken = platform::layout_record::parse(row.text, screen, read, why);
        EXPECT_EQ(taken, row.taken) << row.what << ": got " << (taken ? "taken" : "refused")
                                    << " (" << why << "), expected "
                                    << (row.taken ? "taken" : "refused");
        // A refusal says why; a record taken leaves nothing to say.
        EXPECT_EQ(why.empty(), taken) << row.what << ": why is [" << why << "]";
        if (taken) {
            EXPECT_EQ(platform::layout_record::textOf(read), sample()) << row.what << ": read back otherwise";
        }
    }
}

}  // namespace
