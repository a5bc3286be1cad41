// Which copy of a file the show reads: the current directory's "stuff" when
// it holds the file, else the installed folder's; and which places a box
// about missing files names.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "assets/data_folder.h"
#include "platform/fake/platform_fake.h"
#include "tests/support/tga_writer.h"

namespace {

class DataFolder : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::reset();
        startDir = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override { std::filesystem::current_path(startDir); }
    void place(const std::string& path) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        tgatest::writeFile(path, {'x'});
    }

    tgatest::TempDir dir;
    std::filesystem::path startDir;
};

TEST_F(DataFolder, EachFileIsReadFromTheFirstPlaceThatHoldsIt) {
    enum Where { here, installed, nowhere };
    struct Row {
        const char* what;
        bool isHere, isInstalled;
        Where expected;
    };
    const Row rows[] = {
        {"in both places", true, true, here},
        {"only installed (stuff is another's)", false, true, installed},
        {"nowhere", false, false, nowhere},
    };
    platform::fake::script().installedDataFolder = (dir / "installed").string();
    const std::string installedCopy = platform::fake::script().installedDataFolder + "/a.tga";
    place("stuff/notes.txt");
    for (const Row& row : rows) {
        std::filesystem::remove("stuff/a.tga");
        std::filesystem::remove_all("installed");
        if (row.isHere) place("stuff/a.tga");
        if (row.isInstalled) place(installedCopy);
        const std::string expected = row.expected == installed ? installedCopy : "stuff/a.tga";
        EXPECT_EQ(row.expected == nowhere ? "" : expected, findDataFile("a.tga").value_or("")) << row.what;
        EXPECT_EQ(expected, dataFile("a.tga")) << row.what;
    }
}

// A show started where it is installed (or a web page, whose files are in
// /stuff) has one place to name, not the same one twice.
TEST_F(DataFolder, TheBoxNamesTheSameFolderOnce) {
    std::filesystem::create_directories("stuff");
    for (const bool same : {false, true}) {
        platform::fake::script().installedDataFolder = same ? (dir / "stuff").string() : "/nonexistent/stuff";
        const std::string text = searchedPlacesText(false);
        const std::string expected =
            same ? "Looked for in the folder\n" + (dir / "stuff").string() + "\n"
                 : "Looked for in the folder \"stuff\" in the current directory\n" +
                       std::filesystem::current_path().string() +
                       "\nand in the installed folder\n/nonexistent/stuff\n";
        EXPECT_EQ(expected, text) << (same ? "the same folder" : "another folder");
    }
}

}  // namespace
