#include "assets/data_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace {

constexpr const char* localFolder = "stuff";

bool isFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

}  // namespace

std::string dataFolder() {
    if (isFolder(localFolder)) return localFolder;
    const std::string installed = platform::installedDataFolder();
    return isFolder(installed) ? installed : localFolder;
}

std::string missingDataFolderText() {
    if (dataFolder() != localFolder || isFolder(localFolder)) return {};
    std::error_code ec;
    const std::filesystem::path here = std::filesystem::current_path(ec);
    // Short lines: the box has to fit a 640 x 480 screen.
    return std::string("There is no folder \"") + localFolder + "\" in the current directory\n" +
           (ec ? std::string("(unknown)") : here.string()) + ",\nnor an installed one at\n" +
           platform::installedDataFolder() + ".\nStart the show from the folder that holds \"" +
           localFolder + "\", or install it.\n\n";
}
