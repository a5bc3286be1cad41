#include "platform/x11/display_guardian.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <X11/Xatom.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/layout_record.h"
#include "platform/x11/randr_crtcs.h"

namespace platform::guardian {

namespace {

using layout_record::Layout;
using layout_record::Record;
using randr::CrtcSetting;

// One connection for one piece of work, so that each sees the screen as it is
// now and the guardian holds no connection while it waits.
struct Connection {
    Display* display = nullptr;
    ::Window root = None;
    XRRScreenResources* resources = nullptr;
};

// Why the last piece of work failed, for the user.
std::string failure;

int noteXError(Display* display, XErrorEvent* error) {
    if (failure.empty()) {
        char text[160] = "";
        XGetErrorText(display, error->error_code, text, sizeof text);
        failure = std::string("the X server refused a change: ") + text;
    }
    return 0;  // a refused request is reported, not fatal
}

// The work needs RandR 1.2: CRTCs and outputs, not only whole-screen sizes.
template <typename Work>
int withConnection(Work work) {
    failure.clear();
    Connection c;
    c.display = XOpenDisplay(nullptr);
    if (c.display == nullptr) {
        failure = "cannot open the X display";
        return displayChangeFailed;
    }
    const XErrorHandler outer = XSetErrorHandler(noteXError);
    int result = displayChangeFailed, eventBase = 0, errorBase = 0, major = 0, minor = 0;
    c.root = DefaultRootWindow(c.display);
    if (XRRQueryExtension(c.display, &eventBase, &errorBase) &&
        XRRQueryVersion(c.display, &major, &minor) && (major > 1 || minor >= 2) &&
        (c.resources = XRRGetScreenResourcesCurrent(c.display, c.root)) != nullptr) {
        result = work(c);
        XRRFreeScreenResources(c.resources);
    } else {
        failure = "the X server has no RandR 1.2";
    }
    XCloseDisplay(c.display);
    XSetErrorHandler(outer);
    return result;
}

Layout readLayout(const Connection& c) {
    const int screen = DefaultScreen(c.display);
    Layout layout{DisplayWidth(c.display, screen), DisplayHeight(c.display, screen),
                  DisplayWidthMM(c.display, screen), DisplayHeightMM(c.display, screen),
                  XRRGetOutputPrimary(c.display, c.root), {}};
    layout.crtcs = randr::readCrtcs(c.display, c.resources);
    return layout;
}

bool setCrtc(const Connection& c, const CrtcSetting& s) {
    if (XRRSetCrtcConfig(c.display, c.resources, s.crtc, CurrentTime, s.x, s.y, s.mode,
                         s.rotation, const_cast<RROutput*>(s.outputs.data()),
                         static_cast<int>(s.outputs.size())) == RRSetConfigSuccess)
        return true;
    if (failure.empty()) failure = "the X server did not take CRTC " + std::to_string(s.crtc) + "'s mode";
    return false;
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
    failure.clear();
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
    return done && failure.empty();
}

// The screen keeps its physical size per pixel (96 per inch if it has none:
// the server refuses a size of 0 mm).
int scaledMM(int pixels, int fromPixels, int fromMM) {
    if (fromPixels <= 0 || fromMM <= 0) return std::max(1, pixels * 254 / 960);
    return std::max(1, static_cast<int>(static_cast<long>(pixels) * fromMM / fromPixels));
}

// The screen shrinks or grows to the monitors' extent: with one monitor the
// whole screen is that monitor's mode.
void fitScreen(Layout& layout, const Layout& from) {
    int right = 0, bottom = 0;
    for (const CrtcSetting& crtc : layout.crtcs) {
        if (crtc.mode == None) continue;
        right = std::max(right, crtc.x + static_cast<int>(crtc.width));
        bottom = std::max(bottom, crtc.y + static_cast<int>(crtc.height));
    }
    layout.width = right;
    layout.height = bottom;
    layout.widthMM = scaledMM(right, from.width, from.widthMM);
    layout.heightMM = scaledMM(bottom, from.height, from.heightMM);
}

// The layout with the monitor at 0, 0 switched to width x height; nothing,
// with the outcome's code and the reason, when there is no such monitor or mode.
std::optional<Layout> switched(const Connection& c, const Layout& now, int width, int height,
                               int& outcome) {
    const CrtcSetting* target = randr::monitorAtOrigin(now.crtcs, now.primary);
    outcome = displayChangeFailed;
    failure = "no monitor stands at 0, 0, where the show's window goes";
    if (target == nullptr) return std::nullopt;
    const RRMode mode = randr::modeFor(c.display, c.resources, *target, width, height);
    outcome = displayChangeBadMode;
    failure = "the monitor at 0, 0 has no mode of " + std::to_string(width) + "x" +
              std::to_string(height);
    if (mode == None) return std::nullopt;

    Layout wanted = now;
    for (CrtcSetting& crtc : wanted.crtcs) {
        if (crtc.crtc != target->crtc) continue;
        crtc.mode = mode;
        crtc.rotation = RR_Rotate_0;
        crtc.width = static_cast<unsigned>(width);
        crtc.height = static_cast<unsigned>(height);
    }
    fitScreen(wanted, now);
    failure.clear();
    outcome = displayChangeSuccessful;
    return wanted;
}

// The layout as near to `wanted` as the server can show now: a CRTC whose
// mode is gone (deleted since, or no longer offered by its outputs) gets its
// first output's preferred mode, or goes dark when that output has none, and
// the screen is made to fit. What was changed goes into `changes`, for the user.
Layout doable(const Connection& c, const Layout& wanted, std::string& changes) {
    Layout layout = wanted;
    for (CrtcSetting& crtc : layout.crtcs) {
        if (crtc.mode == None) continue;
        bool offered = randr::modeInfo(c.resources, crtc.mode) != nullptr;
        std::string name;
        RRMode preferred = None;
        for (RROutput output : crtc.outputs) {
            XRROutputInfo* info = XRRGetOutputInfo(c.display, c.resources, output);
            if (info == nullptr) {
                offered = false;
                continue;
            }
            offered = offered && std::find(info->modes, info->modes + info->nmode, crtc.mode) !=
                                     info->modes + info->nmode;
            if (name.empty()) {
                name = info->name;
                preferred = info->nmode > 0 ? info->modes[0] : None;  // preferred ones first
            }
            XRRFreeOutputInfo(info);
        }
        if (offered) continue;
        const XRRModeInfo* substitute = randr::modeInfo(c.resources, preferred);
        changes += (changes.empty() ? "" : "; ") + (name.empty() ? "a monitor" : name) +
                   "'s mode is gone";
        if (substitute == nullptr) {
            crtc = CrtcSetting{crtc.crtc, None, 0, 0, 0, 0, RR_Rotate_0, {}};
            changes += ": it is off";
            continue;
        }
        crtc.mode = preferred;
        crtc.rotation = RR_Rotate_0;
        crtc.width = substitute->width;
        crtc.height = substitute->height;
        changes += ": it shows its preferred mode, " + std::to_string(substitute->width) + "x" +
                   std::to_string(substitute->height);
    }
    if (!changes.empty()) fitScreen(layout, wanted);
    return layout;
}

// On a connection of its own: one that has made changes has a stale idea of
// the screen's size. `put` is what the screen got.
bool putBack(const Layout& desktop, Layout& put) {
    return withConnection([&](const Connection& c) {
               std::string changes;
               const Layout to = put = doable(c, desktop, changes);
               if (!apply(c, readLayout(c), to)) return displayChangeFailed;
               if (!changes.empty())
                   std::fprintf(stderr,
                                "kelvora: the desktop's monitor layout could not be put back "
                                "whole: %s; the screen is %dx%d\n",
                                changes.c_str(), to.width, to.height);
               return displayChangeSuccessful;
           }) == displayChangeSuccessful;
}

// Tried twice: another client's change at the same moment may spoil one try.
// The caller says what failed.
bool putBackTwice(const Layout& desktop, Layout& put) {
    return putBack(desktop, put) || putBack(desktop, put);
}

// ---- The claim and the record, kept by the X server for every show on it ----

// The record's property on the root window, the claim's selection, named for
// the screen as X's managers name theirs (WM_S0), and the property of the
// claim's window that names the switch it guards.
constexpr const char* recordProperty = "_KELVORA_DESKTOP_LAYOUT";
constexpr const char* claimPrefix = "_KELVORA_MODE_S";
constexpr const char* switchProperty = "_KELVORA_SWITCH";
constexpr std::size_t longestSerial = 20;  // digits

// The server drops a claim once it has seen its holder's connection close, a
// moment after the process has gone; on a busy server, longer.
constexpr std::chrono::seconds claimDropTime{10};
constexpr std::chrono::milliseconds claimPollTime{20};

void setString(Display* display, ::Window window, const char* property, const std::string& text) {
    XChangeProperty(display, window, XInternAtom(display, property, False), XA_STRING, 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(text.data()),
                    static_cast<int>(text.size()));
}

// A STRING property, never more than `longest` bytes of it (a longer one reads
// as longer than that); nothing when there is none, empty when of another kind.
std::optional<std::string> stringOf(Display* display, ::Window window, const char* property,
                                    std::size_t longest) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0,
                           static_cast<long>(longest / 4 + 1), False, AnyPropertyType, &type,
                           &format, &count, &left, &data) != Success)
        return std::nullopt;
    std::string text;
    if (type == XA_STRING && format == 8) text.assign(reinterpret_cast<const char*>(data), count);
    if (data != nullptr) XFree(data);
    if (type == None) return std::nullopt;
    return text;
}

// Decimal digits and nothing else.
std::optional<unsigned long long> serialOf(const char* begin, const char* end) {
    unsigned long long serial = 0;
    const auto [last, error] = std::from_chars(begin, end, serial);
    if (error != std::errc() || last != end) return std::nullopt;
    return serial;
}

Atom claimAtom(Display* display) {
    return XInternAtom(display, (claimPrefix + std::to_string(DefaultScreen(display))).c_str(), False);
}

// Takes the screen's claim for a new window of this connection, named for
// switch `serial`, unless another client holds it: the grab makes looking and
// taking one step. The server drops the claim with the connection, however
// its process ends.
bool takeClaim(Display* display, unsigned long long serial) {
    const ::Window owner = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0,
                                         CopyFromParent, InputOnly, CopyFromParent, 0, nullptr);
    setString(display, owner, switchProperty, std::to_string(serial));
    const Atom claim = claimAtom(display);
    XGrabServer(display);
    const bool free = XGetSelectionOwner(display, claim) == None;
    if (free) XSetSelectionOwner(display, claim, owner, CurrentTime);
    XUngrabServer(display);
    return free && XGetSelectionOwner(display, claim) == owner;
}

bool writeRecord(const Connection& c, const Record& record) {
    setString(c.display, c.root, recordProperty, layout_record::textOf(record));
    XSync(c.display, False);
    return failure.empty();
}

void deleteRecord(const Connection& c) {
    XDeleteProperty(c.display, c.root, XInternAtom(c.display, recordProperty, False));
    XSync(c.display, False);
}

layout_record::Screen screenOf(const Connection& c) {
    layout_record::Screen screen;
    XRRGetScreenSizeRange(c.display, c.root, &screen.minWidth, &screen.minHeight,
                          &screen.maxWidth, &screen.maxHeight);
    screen.crtcs.assign(c.resources->crtcs, c.resources->crtcs + c.resources->ncrtc);
    screen.outputs.assign(c.resources->outputs, c.resources->outputs + c.resources->noutput);
    return screen;
}

enum class Found { none, good, refused };

Found readRecord(const Connection& c, Record& record, std::string& why) {
    const auto text = stringOf(c.display, c.root, recordProperty, layout_record::longestRecord);
    if (!text) return Found::none;
    if (text->empty()) {
        why = "not a layout that kelvora writes";
        return Found::refused;
    }
    return layout_record::parse(*text, screenOf(c), record, why) ? Found::good : Found::refused;
}

// Who puts a switch's desktop back when its show could not.
enum class Keeper { guardian, nextRun };

// With the claim held: puts back the desktop that the recorded switch left,
// when the switch is `mine` (any switch when null, for a next run) and the
// screen is still as that switch set it; a layout the user has set since
// stays. The record then goes, put back or not, lest it fail again on every run.
void settle(const Connection& c, const unsigned long long* mine, Keeper keeper) {
    Record record;
    std::string why;
    const Found found = readRecord(c, record, why);
    if (found == Found::none || (found == Found::good && mine && record.serial != *mine)) return;
    const Layout now = readLayout(c);
    Layout put;
    if (found == Found::good && now.sameAs(record.desktop)) {
        // already back: the show's guardian has just seen to it
    } else if (found == Found::good && !now.sameAs(record.set)) {
        std::fprintf(stderr,
                     "kelvora: a killed show's desktop layout was not put back: the screen has "
                     "been set otherwise since\n");
    } else if (found == Found::good && putBackTwice(record.desktop, put)) {
        if (keeper == Keeper::nextRun)
            std::fprintf(stderr,
                         "kelvora: put the desktop back to %dx%d: a show was killed before it "
                         "could\n",
                         put.width, put.height);
    } else {
        if (found == Found::good) why = "it could not be put back (" + failure + ")";
        std::fprintf(stderr, "kelvora: dropped the desktop layout recorded on the X display: %s\n",
                     why.c_str());
    }
    deleteRecord(c);
}

// The switch that the claim's holder guards; none when no one holds it. (A
// window's number alone would not do: the server gives a gone client's
// numbers to the next one.)
std::optional<unsigned long long> claimedSwitch(const Connection& c) {
    const ::Window owner = XGetSelectionOwner(c.display, claimAtom(c.display));
    const auto name = owner != None ? stringOf(c.display, owner, switchProperty, longestSerial)
                                    : std::nullopt;
    return name ? serialOf(name->data(), name->data() + name->size()) : std::nullopt;
}

// What a killed show left, unless another show holds the display. A claim
// still held for `mine`, whose show has just ended, is waited for.
void settleLeftBehind(const unsigned long long* mine, Keeper keeper) {
    withConnection([&](const Connection& c) {
        const auto deadline = std::chrono::steady_clock::now() + claimDropTime;
        while (mine != nullptr && claimedSwitch(c) == *mine &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(claimPollTime);
        if (takeClaim(c.display, mine != nullptr ? *mine : 0)) settle(c, mine, keeper);
        return 0;
    });
}

// ---- The guardian and the show's side of it ----

// Requests from the show: the first byte says which, a hold carries the
// switch's serial. The guardian answers a hold with one byte, 1 when it holds.
constexpr char holdRequest = 'H';
constexpr char releaseRequest = 'R';
constexpr std::size_t longestRequest = longestSerial + 1;
// The longest the show waits for the guardian's answer.
constexpr std::chrono::milliseconds guardianAnswerTime{1500};

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

    std::optional<unsigned long long> mine;  // the serial of the show's switch
    char request[longestRequest];
    for (;;) {
        // Once the show is gone, what it sent before is still read: a guardian
        // stopped meanwhile must not restore what the show already has.
        const bool showGone = getppid() != show;
        const ssize_t got = recv(channel, request, sizeof request, showGone ? MSG_DONTWAIT : 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (request[0] == holdRequest) {
            const auto serial = serialOf(request + 1, request + got);
            const bool holds = serial.has_value();
            if (holds) mine = serial;
            const char answer = holds ? 1 : 0;
            send(channel, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        } else if (request[0] == releaseRequest) {
            mine.reset();  // from now on the layout is the user's
        }
    }
    // The show's claim went with it: whoever takes it first puts the desktop
    // back, this guardian or a next run.
    if (mine) settleLeftBehind(&*mine, Keeper::guardian);
    _exit(0);
}

int channel = -1;              // the show's end
std::optional<Record> held;    // what this show has to give back
Display* claimed = nullptr;    // the connection that holds this show's claim
unsigned long long claimedFor = 0;  // the serial of the switch it guards

bool guardianHolds(unsigned long long serial) {
    const std::string request = holdRequest + std::to_string(serial);
    if (send(channel, request.data(), request.size(), MSG_NOSIGNAL | MSG_DONTWAIT) !=
        static_cast<ssize_t>(request.size()))
        return false;
    const auto deadline = std::chrono::steady_clock::now() + guardianAnswerTime;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd answer{channel, POLLIN, 0};
        const int ready = poll(&answer, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        char holds = 0;
        return ready > 0 && recv(channel, &holds, 1, MSG_DONTWAIT) == 1 && holds == 1;
    }
}

// The record first: with the show and its guardian killed, it is all a next
// run has. The screen is not switched without it.
bool keep(const Connection& c, const Record& record) {
    if (!writeRecord(c, record)) {
        failure = "the desktop's layout could not be recorded on the X display (" + failure + ")";
        return false;
    }
    if (channel >= 0 && !guardianHolds(record.serial))
        std::fprintf(stderr,
                     "kelvora: the display guardian does not answer: the show puts the desktop "
                     "back itself, and should it be killed, running kelvora again does\n");
    return true;
}

unsigned long long newSerial() {
    std::random_device random;
    return static_cast<unsigned long long>(random()) << 32 | random();
}

// One show at a time takes a display's mode: the second would take the
// first's 640x480 for the desktop. The claim stays until the restore.
bool claim() {
    if (claimed != nullptr) return true;
    claimed = XOpenDisplay(nullptr);
    if (claimed == nullptr) {
        failure = "cannot open the X display";
        return false;
    }
    claimedFor = newSerial();
    if (takeClaim(claimed, claimedFor)) return true;
    XCloseDisplay(claimed);
    claimed = nullptr;
    failure = "another show has this display in its mode; this one plays in a window";
    return false;
}

void releaseClaim() {
    if (claimed != nullptr) XCloseDisplay(claimed);
    claimed = nullptr;
}


}  // namespace

bool start(std::string& reason) {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
        reason = std::string("socketpair: ") + std::strerror(errno);
        return false;
    }
    const pid_t show = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        guard(ends[1], show);
    }
    close(ends[1]);
    if (child < 0) {
        reason = std::string("fork: ") + std::strerror(errno);
        close(ends[0]);
        return false;
    }
    channel = ends[0];
    return true;
}

void restoreLeftBehind() { settleLeftBehind(nullptr, Keeper::nextRun); }

int switchMonitor(int width, int height) {
    bool recorded = false;
    int result = withConnection([&](const Connection& c) {
        if (!claim()) return static_cast<int>(displayChangeFailed);
        if (!held) settle(c, nullptr, Keeper::nextRun);
        return static_cast<int>(displayChangeSuccessful);
    });
    // A connection of its own: the one that settled has a stale idea of the screen.
    if (result == displayChangeSuccessful) result = withConnection([&](const Connection& c) {
        const Layout now = readLayout(c);
        int outcome = displayChangeFailed;
        const std::optional<Layout> wanted = switched(c, now, width, height, outcome);
        if (!wanted) return outcome;
        Record record = held.value_or(Record{claimedFor, now, *wanted});
        record.set = *wanted;
        if (!keep(c, record)) return static_cast<int>(displayChangeFailed);
        held = record;
        recorded = true;
        if (apply(c, now, *wanted)) return static_cast<int>(displayChangeSuccessful);
        // Half a switch is worse than none.
        const std::string refused = failure;
        restore();
        failure = refused;
        return static_cast<int>(displayChangeFailed);
    });
    if (!held && !recorded) releaseClaim();
    if (result != displayChangeSuccessful)
        std::fprintf(stderr, "kelvora: the display was not switched to %dx%d: %s\n", width, height,
                     failure.c_str());
    return result;
}

void restore() {
    if (!held) return;
    Layout put;
    const bool back = putBackTwice(held->desktop, put);
    held.reset();
    if (!back) {
        std::fprintf(stderr, "kelvora: could not put the desktop's monitor layout back (%s)%s\n",
                     failure.c_str(), channel >= 0 ? "; the display guardian tries once more" : "");
        // The record and the claim stay for the guardian, whose connections
        // are its own (the show may have run out of file descriptors).
        if (channel >= 0) return;
    }
    withConnection([&](const Connection& c) {
        deleteRecord(c);
        return 0;
    });
    releaseClaim();
    const char release = releaseRequest;
    if (channel >= 0) send(channel, &release, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace platform::guardian
