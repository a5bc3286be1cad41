// What the layout file takes from its folder: only a private folder, and only
// records a show could have written, read without waiting or following links.
// GoogleTest before X's headers, whose macros (None) would break its own.
#include <gtest/gtest.h>

#include "platform/x11/layout_file.h"
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace {

namespace fs = std::filesystem;
using platform::layout_file::Verdict;

const char* verdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::ok: return "ok";
        case Verdict::newer: return "newer";
        case Verdict::refused: return "refused";
    }
    return "?";
}

// A show's record: one monitor switched from 1024x768 to 640x480.
platform::layout_file::Record sample() {
    platform::layout_file::Record record;
    record.pid = 4242;
    record.started = 987654;
    record.display = ":84";
    record.desktop = {1024, 768, 271, 203, 71, {{63, 80, 0, 0, 1024, 768, RR_Rotate_0, {71}}}};
    record.set = {640, 480, 169, 127, 71, {{63, 90, 0, 0, 640, 480, RR_Rotate_0, {71}}}};
    return record;
}

// The sample's text with `from` replaced by `to`.
std::string edited(const std::string& from, const std::string& to) {
    std::string text = platform::layout_file::textOf(sample());
    const std::size_t at = text.find(from);
    return at == std::string::npos ? "edit not found: " + from : text.replace(at, from.size(), to);
}

void put(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

// A folder is checked as its owner's, or as another user's.
enum class Check { folder, othersFolder, record };

struct Row {
    const char* what;
    Check check;
    // Makes what is checked under `dir` and gives its path.
    std::function<fs::path(const fs::path& dir)> make;
    Verdict expected;
};

fs::path record(const fs::path& dir, const std::string& text) {
    put(dir / "layout-1", text);
    return dir / "layout-1";
}
fs::path folder(const fs::path& dir, fs::perms perms) {
    fs::create_directory(dir / "kelvora");
    fs::permissions(dir / "kelvora", perms);
    return dir / "kelvora";
}

const Row rows[] = {
    {"a record as a show writes it", Check::record,
     [](auto& d) { return record(d, platform::layout_file::textOf(sample())); }, Verdict::ok},
    {"a later format", Check::record,
     [](auto& d) { return record(d, edited("layout 1\n", "layout 2\n")); }, Verdict::newer},
    {"a zero pid", Check::record, [](auto& d) { return record(d, edited("show 4242", "show 0")); },
     Verdict::refused},
    {"a negative pid", Check::record,
     [](auto& d) { return record(d, edited("show 4242", "show -4242")); }, Verdict::refused},
    {"a zero screen width", Check::record,
     [](auto& d) { return record(d, edited("desktop 1024", "desktop 0")); }, Verdict::refused},
    {"a negative CRTC size", Check::record,
     [](auto& d) { return record(d, edited("0 0 640 480", "0 0 -640 480")); }, Verdict::refused},
    {"a CRTC wider than its screen", Check::record,
     [](auto& d) { return record(d, edited("0 0 640 480", "0 0 800 480")); }, Verdict::refused},
    {"junk after a line's fields", Check::record,
     [](auto& d) { return record(d, edited("display :84 0", "display :84 0 x")); },
     Verdict::refused},
    {"a sign before a number", Check::record,
     [](auto& d) { return record(d, edited("show 4242", "show +4242")); }, Verdict::refused},
    {"text after the last line", Check::record,
     [](auto& d) { return record(d, platform::layout_file::textOf(sample()) + "x"); },
     Verdict::refused},
    {"a field missing", Check::record,
     [](auto& d) { return record(d, edited("show 4242 987654", "show 4242")); },
     Verdict::refused},
    {"larger than a record can be", Check::record,
     [](auto& d) {
         std::string text = platform::layout_file::textOf(sample());
         while (text.size() <= platform::layout_file::longestRecord) text += text;
         return record(d, text);
     },
     Verdict::refused},
    {"a FIFO (must not wait for a writer)", Check::record,
     [](auto& d) {
         mkfifo((d / "layout-1").c_str(), 0600);
         return d / "layout-1";
     },
     Verdict::refused},
    {"a symbolic link to a good record", Check::record,
     [](auto& d) {
         put(d / "elsewhere", platform::layout_file::textOf(sample()));
         fs::create_symlink(d / "elsewhere", d / "layout-1");
         return d / "layout-1";
     },
     Verdict::refused},
    {"a folder in the record's place", Check::record,
     [](auto& d) { return folder(d, fs::perms::owner_all); }, Verdict::refused},
    {"a folder only its owner may enter", Check::folder,
     [](auto& d) { return folder(d, fs::perms::owner_all); }, Verdict::ok},
    {"a folder its group may read", Check::folder,
     [](auto& d) { return folder(d, fs::perms::owner_all | fs::perms::group_read); },
     Verdict::refused},
    {"a symbolic link to a private folder", Check::folder,
     [](auto& d) {
         fs::create_symlink(folder(d, fs::perms::owner_all), d / "link");
         return d / "link";
     },
     Verdict::refused},
    {"a private folder of another user", Check::othersFolder,
     [](auto& d) { return folder(d, fs::perms::owner_all); }, Verdict::refused},
    {"a file in the folder's place", Check::folder, [](auto& d) { return record(d, "x"); },
     Verdict::refused},
};

TEST(LayoutFile, TakesOnlyWhatAShowWrites) {
    for (const Row& row : rows) {
        char pattern[] = "/tmp/kelvora-layout-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const fs::path dir = pattern;
        const fs::path path = row.make(dir);
        std::string why;
        platform::layout_file::Record read;
        const Verdict got =
            row.check == Check::record
                ? platform::layout_file::readRecord(path, read, why)
                : platform::layout_file::checkFolder(
                      path, getuid() + (row.check == Check::othersFolder), false, why);
        EXPECT_STREQ(verdictName(got), verdictName(row.expected))
            << row.what << " (expected " << verdictName(row.expected) << ", got "
            << verdictName(got) << ": " << why << ")";
        if (got == Verdict::ok && row.check == Check::record) {
            EXPECT_EQ(platform::layout_file::textOf(read), platform::layout_file::textOf(sample()))
                << row.what << ": read back otherwise";
        }
        fs::remove_all(dir);
    }
}

}  // namespace
