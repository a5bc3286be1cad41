// The file a switch leaves for whoever has to put the desktop's monitor layout
// back after a hard kill: its private folder, its text, and reading it without
// trusting what lies there. No X connection: X's types only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/randr_crtcs.h"

namespace platform::layout_file {

// Everything a switch may change and a restore puts back.
struct Layout {
    int width = 0, height = 0, widthMM = 0, heightMM = 0;  // the screen
    RROutput primary = None;
    std::vector<randr::CrtcSetting> crtcs;

    // What the user sees; the physical size is the server's to round.
    bool sameAs(const Layout& other) const;
};

struct Record {
    long pid = 0;                    // the show's process
    unsigned long long started = 0;  // its start time, which a reused pid lacks
    std::string display;             // the X display as displayKey gives it
    int screen = 0;
    Layout desktop;  // to put back
    Layout set;      // as the show left it
};

// No show writes more; the guardian's requests carry a record too.
constexpr std::size_t longestRecord = 64 * 1024;

std::string textOf(const Record& record);

enum class Verdict { ok, newer, refused };

// A record, strictly: every field where it belongs, nothing besides, and only
// sizes and places a screen can have. `newer` for a later program's format.
Verdict parse(const std::string& text, Record& record);

// The folder at `path` when it is a real folder (not a symbolic link) of
// `owner`'s that no one else may read; made first when `create`.
Verdict checkFolder(const std::string& path, unsigned owner, bool create, std::string& why);

// The record at `path` when it is a regular file no larger than a record can
// be; never waits (a FIFO there is refused) and never follows a link.
Verdict readRecord(const std::string& path, Record& record, std::string& why);

// The user's folder for records: the session's runtime folder, or one of the
// user's own in /tmp when the session names none. Nothing when not private.
std::optional<std::string> folder(bool create, std::string& why);

std::string pathFor(const std::string& folder, long pid);

// The records' paths in the folder. A record half written by a show that has
// since died is removed.
std::vector<std::string> recordPaths(const std::string& folder);

// Whole or not at all: written aside, then renamed into place.
bool write(const std::string& path, const std::string& text, std::string& why);

// One name for one display, however DISPLAY spells it: ":84" for "unix:84"
// and ":84.0". A host name is kept, even "localhost": that is a TCP
// connection, which may reach another server than the local socket.
std::string displayKey(const std::string& displayString);

// When the process began, in clock ticks since boot; nothing for a process
// that is gone (a zombie included).
std::optional<unsigned long long> startOf(long pid);

}  // namespace platform::layout_file
