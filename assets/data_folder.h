// Where the show's files are. Each is read from the folder "stuff" in the
// current directory when it is there, exactly as the show has always found
// them, and otherwise from the folder of an installed show, found from where
// the program is. A folder of that name that is not the show's (a user's own
// ~/stuff, the menu starting the show in the home folder) thus hides nothing.
#pragma once

#include <optional>
#include <string>

// The path of the show's file `name` in the first place that holds it,
// looked up anew at each call; none when no place does.
std::optional<std::string> findDataFile(const std::string& name);
// Where a user would put `name` ("stuff/name"): the path a file found
// nowhere is reported missing at.
std::string missingDataFile(const std::string& name);
// The path to read `name` from: where it was found, else missingDataFile.
std::string dataFile(const std::string& name);
// A few short lines naming every place searched, for a box about files found
// nowhere; with a word on where to start the show when none was found at all.
std::string searchedPlacesText(bool noneFound);
