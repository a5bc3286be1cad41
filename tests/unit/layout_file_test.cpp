// What the layout file takes from its folder: only a private folder, and only
// records a show could have written, read without waiting or following links.
// GoogleTest before X's headers, whose macros (None) would break its own.
#include <gtest/gtest.h>

#include "platform/x11/layout_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using platform::layout_file::Verdict;
const char* const verdictNames[] = {"ok", "newer", "refused"};

// A show's record: one monitor switched from 1024x768 to 640x480.
std::string sample() {
    platform::layout_file::Record record{4242, 987654, ":84", 0, {}, {}};
    record.desktop = {1024, 768, 271, 203, 71, {{63, 80, 0, 0, 1024, 768, RR_Rotate_0, {71}}}};
    record.set = {640, 480, 169, 127, 71, {{63, 90, 0, 0, 640, 480, RR_Rotate_0, {71}}}};
    return platform::layout_file::textOf(record);
}
std::string edited(const std::string& from, const std::string& to) {
    std::string text = sample();
    return text.replace(text.find(from), from.size(), to);
}

// What stands where the record or the folder is looked for.
enum class Thing { record, fifo, linkToRecord, folder, groupFolder, linkToFolder, othersFolder };
struct Row {
    const char* what;
    Thing thing;
    std::string text;  // a record's
    Verdict expected;
};

TEST(LayoutFile, TakesOnlyWhatAShowWrites) {
    std::string huge = sample();
    while (huge.size() <= platform::layout_file::longestRecord) huge += huge;
    const Row rows[] = {
        {"a record as a show writes it", Thing::record, sample(), Verdict::ok},
        {"a later format", Thing::record, edited("layout 1", "layout 2"), Verdict::newer},
        {"a zero pid", Thing::record, edited("show 4242", "show 0"), Verdict::refused},
        {"a negative pid", Thing::record, edited("show 4242", "show -4242"), Verdict::refused},
        {"a zero screen width", Thing::record, edited("desktop 1024", "desktop 0"), Verdict::refused},
        {"a CRTC wider than its screen", Thing::record, edited("0 0 640", "0 0 800"), Verdict::refused},
        {"junk after a line's fields", Thing::record, edited(":84 0", ":84 0 x"), Verdict::refused},
        {"text after the last line", Thing::record, sample() + "x", Verdict::refused},
        {"larger than a record can be", Thing::record, huge, Verdict::refused},
        {"a FIFO (must not wait for a writer)", Thing::fifo, "", Verdict::refused},
        {"a symbolic link to a good record", Thing::linkToRecord, sample(), Verdict::refused},
        {"a folder only its owner may enter", Thing::folder, "", Verdict::ok},
        {"a folder its group may read", Thing::groupFolder, "", Verdict::refused},
        {"a symbolic link to a private folder", Thing::linkToFolder, "", Verdict::refused},
        {"a private folder of another user", Thing::othersFolder, "", Verdict::refused},
    };
    for (const Row& row : rows) {
        char pattern[] = "/tmp/kelvora-layout-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const fs::path dir = pattern, at = dir / "at", aside = dir / "aside";
        std::ofstream(row.thing == Thing::linkToRecord ? aside : at) << row.text;
        if (row.thing == Thing::fifo && fs::remove(at)) mkfifo(at.c_str(), 0600);
        if (row.thing == Thing::linkToRecord) fs::create_symlink(aside, at);
        if (row.thing >= Thing::folder) {
            fs::remove(at);
            fs::create_directory(row.thing == Thing::linkToFolder ? aside : at);
            fs::permissions(row.thing == Thing::linkToFolder ? aside : at,
                            fs::perms::owner_all | (row.thing == Thing::groupFolder
                                                        ? fs::perms::group_read
                                                        : fs::perms::none));
            if (row.thing == Thing::linkToFolder) fs::create_symlink(aside, at);
        }
        std::string why;
        platform::layout_file::Record read;
        const Verdict got =
            row.thing < Thing::folder
                ? platform::layout_file::readRecord(at, read, why)
                : platform::layout_file::checkFolder(
                      at, getuid() + (row.thing == Thing::othersFolder), false, why);
        EXPECT_STREQ(verdictNames[int(got)], verdictNames[int(row.expected)])
            << row.what << ": got " << verdictNames[int(got)] << " (" << why << "), expected "
            << verdictNames[int(row.expected)];
        if (got == Verdict::ok && row.thing == Thing::record) {
            EXPECT_EQ(platform::layout_file::textOf(read), sample()) << row.what << ": read back otherwise";
        }
        fs::remove_all(dir);
    }
}

}  // namespace
