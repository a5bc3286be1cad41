// What the Win32 backend offers its own tests beyond platform.h.
#pragma once

#include <string>

namespace platform::win32 {

// readSetting and writeSetting use this key under HKEY_CURRENT_USER from now
// on instead of the program's own, so that a test never touches the settings
// of whoever runs it.
void useSettingsKey(std::string key);

}  // namespace platform::win32
