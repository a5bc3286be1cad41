#include "assets/data_folder.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr const char* localFolder = "stuff";

// Where the files are looked for, in order; an installed folder that is the
// local one (a show started where it is installed, a web page) counts once.
std::vector<std::string> places() {
    const std::string installed = platform::installedDataFolder();
    std::error_code ec;
    if (std::filesystem::equivalent(localFolder, installed, ec)) return {localFolder};
    return {localFolder, installed};
}

}  // namespace

std::optional<std::string> findDataFile(const std::string& name) {
    for (const std::string& place : places()) {
        const std::string path = place + "/" + name;
        std::error_code ec;
        // A file that is there but unreadable is still the one to read: its
        // fault is reported, not hidden behind another copy.
        if (std::filesystem::exists(path, ec)) return path;
    }
    return std::nullopt;
}

std::string missingDataFile(const std::string& name) { return std::string(localFolder) + "/" + name; }

std::string dataFile(const std::string& name) { return findDataFile(name).value_or(missingDataFile(name)); }

std::string searchedPlacesText(bool noneFound) {
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    const std::vector<std::string> searched = places();
    // Short lines: the box has to fit a 640 x 480 screen.
    std::string text = std::string("Looked for in the folder \"") + localFolder +
                       "\" in the current directory\n" + (ec ? "(unknown)" : here.string()) + "\n";
    if (searched.size() > 1) text += "and in the installed folder\n" + searched.back() + "\n";
    if (noneFound)
        text += std::string("Start the show from the folder that holds \"") + localFolder +
                "\",\nor install it.\n";
    return text;
}
