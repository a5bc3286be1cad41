#include "platform/x11/layout_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform::layout_file {

namespace {

using randr::CrtcSetting;

constexpr const char* headingStart = "kelvora display layout ";
constexpr int formatVersion = 1;
constexpr const char* recordPrefix = "layout-";
constexpr const char* asideSuffix = ".new";
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
    bool read(std::string& value) {
        if (done() || words[next].empty()) return false;
        value = words[next++];
        return true;
    }
};

bool readScreen(Fields& fields, Layout& layout) {
    return fields.read(layout.width) && fields.read(layout.height) &&
           fields.read(layout.widthMM) && fields.read(layout.heightMM) &&
           fields.read(layout.primary) && fields.done() && layout.width > 0 &&
           layout.height > 0 && layout.widthMM >= 0 && layout.heightMM >= 0;
}

// An active CRTC lies inside the screen and shows at least one output; an
// idle one has neither size nor outputs.
bool readCrtc(Fields& fields, const Layout& layout, CrtcSetting& s) {
    if (!(fields.read(s.crtc) && fields.read(s.mode) && fields.read(s.x) && fields.read(s.y) &&
          fields.read(s.width) && fields.read(s.height) && fields.read(s.rotation)))
        return false;
    for (RROutput output; !fields.done();) {
        if (!fields.read(output) || output == None) return false;
        s.outputs.push_back(output);
    }
    const unsigned turn = s.rotation & turnBits;
    if (s.crtc == None || (s.rotation & ~(turnBits | reflectBits)) != 0 || turn == 0 ||
        (turn & (turn - 1)) != 0)
        return false;
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
    out << headingStart << formatVersion << "\nshow " << record.pid << ' ' << record.started
        << "\ndisplay " << record.display << ' ' << record.screen << '\n';
    writeLayout(out, "desktop", record.desktop);
    writeLayout(out, "set", record.set);
    return out.str();
}

Verdict parse(const std::string& text, Record& record) {
    record = Record{};
    if (text.empty() || text.back() != '\n') return Verdict::refused;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    int version = 0;
    Fields heading(line.rfind(headingStart, 0) == 0 ? "v " + line.substr(std::strlen(headingStart))
                                                   : std::string());
    if (!heading.read(version) || !heading.done()) return Verdict::refused;
    if (version > formatVersion) return Verdict::newer;
    if (version != formatVersion) return Verdict::refused;

    Layout* layout = nullptr;
    bool haveShow = false, haveDisplay = false, haveDesktop = false, haveSet = false;
    while (std::getline(in, line)) {
        Fields fields(line);
        const std::string& key = fields.words[0];
        bool good = false;
        if (key == "show" && !haveShow) {
            good = haveShow = fields.read(record.pid) && fields.read(record.started) &&
                              fields.done() && record.pid > 0;
        } else if (key == "display" && !haveDisplay) {
            good = haveDisplay = fields.read(record.display) && fields.read(record.screen) &&
                                 fields.done() && record.screen >= 0;
        } else if ((key == "desktop" && !haveDesktop) || (key == "set" && !haveSet)) {
            (key == "desktop" ? haveDesktop : haveSet) = true;
            layout = key == "desktop" ? &record.desktop : &record.set;
            good = readScreen(fields, *layout);
        } else if (key == "crtc" && layout != nullptr) {
            CrtcSetting s;
            good = readCrtc(fields, *layout, s);
            layout->crtcs.push_back(s);
        }
        if (!good) return Verdict::refused;
    }
    const bool whole = haveShow && haveDisplay && !record.desktop.crtcs.empty() &&
                       !record.set.crtcs.empty();
    return whole ? Verdict::ok : Verdict::refused;
}

Verdict checkFolder(const std::string& path, unsigned owner, bool create, std::string& why) {
    if (create && mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        why = path + ": " + std::strerror(errno);
        return Verdict::refused;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        why = path + ": " + std::strerror(errno);
        return Verdict::refused;
    }
    if (!S_ISDIR(info.st_mode) || info.st_uid != owner || (info.st_mode & 077) != 0) {
        why = path + " is not a folder private to this user";
        return Verdict::refused;
    }
    return Verdict::ok;
}

Verdict readRecord(const std::string& path, Record& record, std::string& why) {
    const int file = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (file < 0) {
        why = std::strerror(errno);
        return Verdict::refused;
    }
    struct stat info {};
    std::string text;
    if (fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        why = "not a regular file";
    } else if (static_cast<std::size_t>(info.st_size) > longestRecord) {
        why = "larger than a layout can be";
    } else {
        // One byte more than the size said, to see a file that grew meanwhile.
        text.resize(static_cast<std::size_t>(info.st_size) + 1);
        const ssize_t got = ::read(file, text.data(), text.size());
        text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        why = got < 0 ? std::strerror(errno) : "not a layout this program wrote";
    }
    close(file);
    if (text.empty() || text.size() > static_cast<std::size_t>(info.st_size))
        return Verdict::refused;
    const Verdict verdict = parse(text, record);
    if (verdict == Verdict::newer) why = "written by a later version of kelvora";
    return verdict;
}

std::optional<std::string> folder(bool create, std::string& why) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string path = runtime != nullptr && runtime[0] == '/'
                           ? std::string(runtime) + "/kelvora"
                           : "/tmp/kelvora-" + std::to_string(getuid());
    if (checkFolder(path, getuid(), create, why) != Verdict::ok) return std::nullopt;
    return path;
}

std::string pathFor(const std::string& folder, long pid) {
    return folder + '/' + recordPrefix + std::to_string(pid);
}

std::vector<std::string> recordPaths(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(recordPrefix, 0) != 0) continue;
        const std::string pid = name.substr(std::strlen(recordPrefix));
        long writer = 0;
        const auto [end, bad] = std::from_chars(pid.data(), pid.data() + pid.size(), writer);
        if (bad != std::errc() || writer <= 0) continue;
        const std::string rest(end);
        if (rest.empty()) paths.push_back(entry.path().string());
        else if (rest == asideSuffix && !startOf(writer)) unlink(entry.path().c_str());
    }
    return paths;
}

bool write(const std::string& path, const std::string& text, std::string& why) {
    const std::string aside = path + asideSuffix;
    unlink(aside.c_str());
    const int file = open(aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    bool written = file >= 0 && ::write(file, text.data(), text.size()) ==
                                    static_cast<ssize_t>(text.size());
    written = file >= 0 && fsync(file) == 0 && written;
    if (file >= 0) written = close(file) == 0 && written;
    if (written && rename(aside.c_str(), path.c_str()) == 0) return true;
    why = path + ": " + std::strerror(errno);
    unlink(aside.c_str());
    return false;
}

std::string displayKey(const std::string& displayString) {
    std::string key = displayString;
    const std::size_t colon = key.rfind(':');
    if (colon == std::string::npos) return key;
    const std::size_t dot = key.find('.', colon);
    if (dot != std::string::npos) key.erase(dot);
    if (key.compare(0, colon, "unix") == 0) key.erase(0, colon);
    return key;
}

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

}  // namespace platform::layout_file
