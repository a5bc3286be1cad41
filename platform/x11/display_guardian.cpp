#include "platform/x11/display_guardian.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/platform.h"
#include "platform/x11/randr_crtcs.h"

namespace platform::guardian {

namespace {

using randr::CrtcSetting;

// Everything a switch may change and a restore puts back.
struct Layout {
    int width = 0, height = 0, widthMM = 0, heightMM = 0;  // the screen
    RROutput primary = None;
    std::vector<CrtcSetting> crtcs;

    // What the user sees; the physical size is the server's to round.
    bool sameAs(const Layout& other) const {
        return width == other.width && height == other.height && primary == other.primary &&
               std::equal(crtcs.begin(), crtcs.end(), other.crtcs.begin(), other.crtcs.end(),
                          [](const CrtcSetting& a, const CrtcSetting& b) {
                              return a.crtc == b.crtc && a.sameAs(b);
                          });
    }
};

// What a switch leaves for whoever has to put the desktop back.
struct Record {
    long pid = 0;                    // the show's process
    unsigned long long started = 0;  // its start time, which a reused pid lacks
    std::string display;             // the X display, without the screen
    int screen = 0;
    Layout desktop;  // to put back
    Layout set;      // as the show left it
};

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

// ":0" for ":0.1": the screen is kept apart.
std::string displayName(const Connection& c) {
    std::string name = DisplayString(c.display);
    const std::size_t colon = name.rfind(':');
    const std::size_t dot = name.find('.', colon == std::string::npos ? 0 : colon);
    if (dot != std::string::npos) name.erase(dot);
    return name;
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

// The layout with the monitor at 0, 0 switched to width x height; nothing,
// with the outcome's code, when there is no such monitor or mode.
std::optional<Layout> switched(const Connection& c, const Layout& now, int width, int height,
                               int& outcome) {
    const CrtcSetting* target = randr::monitorAtOrigin(now.crtcs, now.primary);
    outcome = displayChangeFailed;
    if (target == nullptr) return std::nullopt;
    const RRMode mode = randr::modeFor(c.display, c.resources, *target, width, height);
    outcome = displayChangeBadMode;
    if (mode == None) return std::nullopt;

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
    outcome = displayChangeSuccessful;
    return wanted;
}

// On a connection of its own: one that has made changes has a stale idea of
// the screen's size.
bool putBack(const Layout& desktop) {
    return withConnection([&](const Connection& c) {
               return apply(c, readLayout(c), desktop) ? displayChangeSuccessful
                                                       : displayChangeFailed;
           }) == displayChangeSuccessful;
}

// Tried twice: another client's change at the same moment may spoil one try.
bool putBackOrSay(const Layout& desktop) {
    for (int attempt = 1; attempt <= 2; ++attempt) {
        if (putBack(desktop)) return true;
        std::fprintf(stderr, "kelvora: could not put the desktop's monitor layout back (%s)%s\n",
                     failure.c_str(), attempt == 1 ? "; trying once more" : "");
    }
    return false;
}

// ---- The layout file ----

constexpr const char* recordHeading = "kelvora display layout 1";
constexpr const char* recordPrefix = "layout-";

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

std::string textOf(const Record& record) {
    std::ostringstream out;
    out << recordHeading << "\nshow " << record.pid << ' ' << record.started << "\ndisplay "
        << record.display << ' ' << record.screen << '\n';
    writeLayout(out, "desktop", record.desktop);
    writeLayout(out, "set", record.set);
    return out.str();
}

std::optional<Record> recordOf(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != recordHeading) return std::nullopt;
    Record record;
    Layout* layout = nullptr;
    bool haveShow = false, haveDisplay = false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "show") {
            haveShow = static_cast<bool>(fields >> record.pid >> record.started);
        } else if (key == "display") {
            haveDisplay = static_cast<bool>(fields >> record.display >> record.screen);
        } else if (key == "desktop" || key == "set") {
            layout = key == "desktop" ? &record.desktop : &record.set;
            if (!(fields >> layout->width >> layout->height >> layout->widthMM >>
                  layout->heightMM >> layout->primary))
                return std::nullopt;
        } else if (key == "crtc" && layout != nullptr) {
            CrtcSetting s;
            if (!(fields >> s.crtc >> s.mode >> s.x >> s.y >> s.width >> s.height >> s.rotation))
                return std::nullopt;
            for (RROutput output; fields >> output;) s.outputs.push_back(output);
            layout->crtcs.push_back(s);
        } else {
            return std::nullopt;
        }
    }
    if (!haveShow || !haveDisplay || record.desktop.crtcs.empty() || record.set.crtcs.empty())
        return std::nullopt;
    return record;
}

// Private to the user: the session's runtime folder, or one of the user's own
// in /tmp when the session names none. Nothing when it is not private.
std::optional<std::string> recordFolder(bool create, std::string& why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string folder = runtime != nullptr && runtime[0] == '/'
                                   ? std::string(runtime) + "/kelvora"
                                   : "/tmp/kelvora-" + std::to_string(getuid());
    if (create && mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        why = folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) {
        why = folder + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0) {
        why = folder + " is not a folder private to this user";
        return std::nullopt;
    }
    return folder;
}

std::string recordPath(const std::string& folder, long pid) {
    return folder + '/' + recordPrefix + std::to_string(pid);
}

// Whole or not at all: written aside, then renamed into place.
bool writeRecord(const std::string& path, const std::string& text, std::string& why) {
    const std::string aside = path + ".new";
    unlink(aside.c_str());
    const int file = open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = file >= 0 && write(file, text.data(), text.size()) ==
                                    static_cast<ssize_t>(text.size());
    written = file >= 0 && fsync(file) == 0 && written;
    if (file >= 0) written = close(file) == 0 && written;
    if (written && rename(aside.c_str(), path.c_str()) == 0) return true;
    why = path + ": " + std::strerror(errno);
    unlink(aside.c_str());
    return false;
}

void removeRecord(long pid) {
    std::string why;
    if (const auto folder = recordFolder(false, why)) unlink(recordPath(*folder, pid).c_str());
}

// When the process began, in clock ticks since boot; nothing for a process
// that is gone (a zombie included).
std::optional<unsigned long long> startOf(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const std::size_t nameEnd = stat.rfind(')');
    if (nameEnd == std::string::npos) return std::nullopt;
    std::istringstream fields(stat.substr(nameEnd + 1));
    std::string state, skipped;
    fields >> state;
    if (state == "Z" || state == "X") return std::nullopt;
    // The start time is the 22nd field; the state was the 3rd.
    for (int field = 4; field < 22; ++field) fields >> skipped;
    unsigned long long started = 0;
    if (!(fields >> started)) return std::nullopt;
    return started;
}

// ---- The guardian and the show's side of it ----

// Requests from the show: the first byte says which, a hold carries the
// record's text. The guardian answers a hold with one byte, 1 when it holds.
constexpr char holdRequest = 'H';
constexpr char releaseRequest = 'R';
constexpr std::size_t longestRequest = 64 * 1024;
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

    std::optional<Layout> desktop;
    std::string request(longestRequest, '\0');
    for (;;) {
        // Once the show is gone, what it sent before is still read: a guardian
        // stopped meanwhile must not restore what the show already has.
        const bool showGone = getppid() != show;
        const ssize_t got = recv(channel, request.data(), request.size(), showGone ? MSG_DONTWAIT : 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        if (request[0] == holdRequest) {
            const auto record = recordOf(request.substr(1, static_cast<std::size_t>(got) - 1));
            if (record) desktop = record->desktop;
            const char answer = record ? 1 : 0;
            send(channel, &answer, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
        } else if (request[0] == releaseRequest) {
            desktop.reset();  // from now on the layout is the user's
        }
    }
    if (desktop && putBackOrSay(*desktop)) removeRecord(show);
    _exit(0);
}

int channel = -1;  // the show's end
std::optional<Record> held;  // what this show has to give back
std::string heldPath;        // its file; empty when none could be written

bool guardianHolds(const std::string& text) {
    const std::string request = holdRequest + text;
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

// The file first: with the guardian killed too, it is all a next run has.
void keep(const Record& record) {
    std::string why;
    const auto folder = recordFolder(true, why);
    if (folder) heldPath = recordPath(*folder, record.pid);
    if (folder && !writeRecord(heldPath, textOf(record), why)) heldPath.clear();
    if (heldPath.empty())
        std::fprintf(stderr,
                     "kelvora: cannot keep the desktop's monitor layout for a later run (%s): "
                     "should the show be killed, set the screen's mode back by hand\n",
                     why.c_str());
    if (channel >= 0 && !guardianHolds(textOf(record)))
        std::fprintf(stderr,
                     "kelvora: the display guardian does not answer: the show puts the desktop "
                     "back itself, and should it be killed, running kelvora again does\n");
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

void restoreLeftBehind() {
    std::string why;
    const auto folder = recordFolder(false, why);
    if (!folder) return;
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(*folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(recordPrefix, 0) == 0 && name.find('.') == std::string::npos)
            files.push_back(entry.path());
    }
    for (const auto& file : files) {
        std::ifstream in(file);
        std::ostringstream text;
        text << in.rdbuf();
        const auto record = recordOf(text.str());
        if (!record) {
            std::fprintf(stderr, "kelvora: removed %s: not a layout this program wrote\n",
                         file.c_str());
            std::filesystem::remove(file, error);
            continue;
        }
        if (record->pid == getpid() || startOf(record->pid) == record->started) continue;
        withConnection([&](const Connection& c) {
            if (displayName(c) != record->display || DefaultScreen(c.display) != record->screen)
                return 0;  // that display's own next run sees to it
            const Layout now = readLayout(c);
            if (now.sameAs(record->desktop)) {
                // Already back: that show's guardian has just seen to it.
            } else if (!now.sameAs(record->set)) {
                std::fprintf(stderr,
                             "kelvora: a killed show's desktop layout was not put back: the "
                             "screen has been set otherwise since\n");
            } else if (putBackOrSay(record->desktop)) {
                std::fprintf(stderr,
                             "kelvora: put the desktop back to %dx%d: a show (process %ld) was "
                             "killed before it could\n",
                             record->desktop.width, record->desktop.height, record->pid);
            } else {
                return 0;
            }
            std::filesystem::remove(file, error);
            return 0;
        });
    }
}

int switchMonitor(int width, int height) {
    return withConnection([&](const Connection& c) {
        const Layout now = readLayout(c);
        int outcome = displayChangeFailed;
        const std::optional<Layout> wanted = switched(c, now, width, height, outcome);
        if (!wanted) return outcome;
        if (held) {
            held->set = *wanted;
        } else {
            held = Record{getpid(), startOf(getpid()).value_or(0), displayName(c),
                          DefaultScreen(c.display), now, *wanted};
        }
        keep(*held);
        if (apply(c, now, *wanted)) return static_cast<int>(displayChangeSuccessful);
        std::fprintf(stderr, "kelvora: the switch to %dx%d failed (%s)\n", width, height,
                     failure.c_str());
        // Half a switch is worse than none.
        restore();
        return static_cast<int>(displayChangeFailed);
    });
}

void restore() {
    if (!held) return;
    const bool back = putBackOrSay(held->desktop);
    held.reset();
    if (!back) return;  // the guardian tries once more when the show ends; the file stays
    if (!heldPath.empty()) unlink(heldPath.c_str());
    heldPath.clear();
    const char release = releaseRequest;
    if (channel >= 0) send(channel, &release, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace platform::guardian
