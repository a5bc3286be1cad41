// Where the show's files are: the folder "stuff" in the current directory when
// there is one, exactly as the show has always found them; otherwise the
// folder of an installed show, found from where the program is.
#pragma once

#include <string>

// The folder to read from, looked up anew at each call: "stuff" (relative)
// or the installed folder. "stuff" again when neither exists, so that the
// files are reported missing where a user would put them.
std::string dataFolder();
// When neither folder exists: a few short lines naming both places searched;
// otherwise empty.
std::string missingDataFolderText();
