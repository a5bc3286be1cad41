#include "platform/x11/layout_record.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <sstream>

namespace platform::layout_record {

namespace {

using randr::CrtcSetting;

constexpr const char* headingStart = "kelvora desktop layout ";
constexpr int formatVersion = 1;
// A bad line is quoted in the message up to this length.
constexpr std::size_t quotedLength = 60;
// What rotation and reflection RandR knows: one of four turns, two mirrors.
constexpr unsigned turnBits = RR_Rotate_0 | RR_Rotate_90 | RR_Rotate_180 | RR_Rotate_270;
constexpr unsigned reflectBits = RR_Reflect_X | RR_Reflect_Y;

void writeLayout(std::ostream& out, const char* name, const Layout& layout) {
    out << name << ' ' << layout.width << ' ' << layout.height << ' ' << layout.widthMM << ' '
        << layout.heightMM << ' ' << layout.primary << '\n';
    for (const CrtcSetting& s : layout.crtcs) {
        out << "crtc " << s.crtc << ' ' << s.mode << ' ' << s.x << ' ' << s.y << ' ' << s.width
            << ' ' << s.height << ' ' << s.rotation;
        for (RROutput output : s.outputs) out << ' ' << output;
        out << '\n';
    }
}

// A line's fields, split at single spaces; an empty field (two spaces, a
// space at either end) fails every read.
struct Fields {
    std::vector<std::string> words;
    std::size_t next = 1;  // words[0] is the key

    explicit Fields(const std::string& line) {
        std::size_t from = 0;
        for (std::size_t space; (space = line.find(' ', from)) != std::string::npos;
             from = space + 1)
            words.push_back(line.substr(from, space - from));
        words.push_back(line.substr(from));
    }
    bool done() const { return next == words.size(); }

    // Decimal digits only: no sign, no blank, no base, nothing after.
    template <typename Number>
    bool read(Number& value) {
        if (done()) return false;
        const std::string& word = words[next++];
        if (word.empty() || word[0] == '+') return false;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        return error == std::errc() && end == word.data() + word.size();
    }
};

template <typename Id>
bool has(const std::vector<Id>& ids, Id id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool readScreen(Fields& fields, const Screen& screen, Layout& layout, std::string& why) {
    if (!(fields.read(layout.width) && fields.read(layout.height) && fields.read(layout.widthMM) &&
          fields.read(layout.heightMM) && fields.read(layout.primary) && fields.done()))
        return false;
    if (layout.width < screen.minWidth || layout.height < screen.minHeight ||
        layout.width > screen.maxWidth || layout.height > screen.maxHeight) {
        why = "a screen of " + std::to_string(layout.width) + "x" + std::to_string(layout.height) +
              ", outside the server's " + std::to_string(screen.minWidth) + "x" +
              std::to_string(screen.minHeight) + " to " + std::to_string(screen.maxWidth) + "x" +
              std::to_string(screen.maxHeight);
        return false;
    }
    if (layout.primary != None && !has(screen.outputs, layout.primary)) {
        why = "a primary output the screen does not have";
        return false;
    }
    return true;
}

// An active CRTC lies inside the screen and shows at least one output; an
// idle one has neither size nor outputs. Each of the screen's CRTCs comes
// once at most.
bool readCrtc(Fields& fields, const Screen& screen, Layout& layout, std::string& why) {
    CrtcSetting s;
    if (!(fields.read(s.crtc) && fields.read(s.mode) && fields.read(s.x) && fields.read(s.y) &&
          fields.read(s.width) && fields.read(s.height) && fields.read(s.rotation)))
        return false;
    for (RROutput output; !fields.done();) {
        if (!fields.read(output)) return false;
        if (!has(screen.outputs, output)) {
            why = "output " + std::to_string(output) + ", which the screen does not have";
            return false;
        }
        s.outputs.push_back(output);
    }
    const bool again = std::any_of(layout.crtcs.begin(), layout.crtcs.end(),
                                   [&](const CrtcSetting& c) { return c.crtc == s.crtc; });
    if (!has(screen.crtcs, s.crtc) || again) {
        why = "CRTC " + std::to_string(s.crtc) + (again ? " twice" : ", which the screen does not have");
        return false;
    }
    const unsigned turn = s.rotation & turnBits;
    if ((s.rotation & ~(turnBits | reflectBits)) != 0 || turn == 0 || (turn & (turn - 1)) != 0)
        return false;
    layout.crtcs.push_back(s);
    if (s.mode == None) return s.width == 0 && s.height == 0 && s.outputs.empty();
    return s.width > 0 && s.height > 0 && s.x >= 0 && s.y >= 0 && !s.outputs.empty() &&
           s.x + static_cast<long>(s.width) <= layout.width &&
           s.y + static_cast<long>(s.height) <= layout.height;
}

}  // namespace

bool Layout::sameAs(const Layout& other) const {
    return width == other.width && height == other.height && primary == other.primary &&
           std::equal(crtcs.begin(), crtcs.end(), other.crtcs.begin(), other.crtcs.end(),
                      [](const CrtcSetting& a, const CrtcSetting& b) {
                          return a.crtc == b.crtc && a.sameAs(b);
                      });
}

std::string textOf(const Record& record) {
    std::ostringstream out;
    out << headingStart << formatVersion << "\nserial " << record.serial << '\n';
    writeLayout(out, "desktop", record.desktop);
    writeLayout(out, "set", record.set);
    return out.str();
}

bool parse(const std::string& text, const Screen& screen, Record& record, std::string& why) {
    record = Record{};
    if (text.size() > longestRecord) {
        why = "larger than a layout can be";
        return false;
    }
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    int version = 0;
    Fields heading(line.rfind(headingStart, 0) == 0 ? "v " + line.substr(std::strlen(headingStart))
                                                   : std::string());
    if (!heading.read(version) || !heading.done()) {
        why = "not a layout that kelvora writes";
        return false;
    }
    if (version != formatVersion) {
        why = "a layout of format " + std::to_string(version) + ", where this kelvora reads " +
              std::to_string(formatVersion);
        return false;
    }
    if (text.back() != '\n') {
        why = "text after the last line";
        return false;
    }

    Layout* layout = nullptr;
    bool haveSerial = false, haveDesktop = false, haveSet = false;
    while (std::getline(in, line)) {
        Fields fields(line);
        const std::string& key = fields.words[0];
        bool good = false;
        why.clear();
        if (key == "serial" && !haveSerial) {
            good = haveSerial = fields.read(record.serial) && fields.done();
        } else if ((key == "desktop" && !haveDesktop) || (key == "set" && !haveSet)) {
            (key == "desktop" ? haveDesktop : haveSet) = true;
            layout = key == "desktop" ? &record.desktop : &record.set;
            good = readScreen(fields, screen, *layout, why);
        } else if (key == "crtc" && layout != nullptr) {
            good = readCrtc(fields, screen, *layout, why);
        }
        if (!good) {
            if (why.empty()) why = "a bad line: \"" + line.substr(0, quotedLength) + "\"";
            return false;
        }
    }
    if (!haveSerial || record.desktop.crtcs.empty() || record.set.crtcs.empty()) {
        why = "an incomplete layout";
        return false;
    }
    why.clear();
    return true;
}

}  // namespace platform::layout_record
