// A message box's text made fit to be shown: valid UTF-8 whatever the bytes
// were, and no word so long that wrapping alone could not fit it on a screen.
// Wrapping itself is left to the box, which knows its font.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Bytes that are not UTF-8 become U+FFFD, one for each maximal invalid
// sequence. A word (a run without spaces or line feeds) longer than
// maxWordLength characters loses its middle to "…"; a path keeps its last
// component (the file name) whole when that fits.
std::string fitBoxText(std::string_view text, std::size_t maxWordLength);

}  // namespace platform
