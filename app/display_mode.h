// The switch of the whole screen to 640 x 480 at the desktop's depth.
#pragma once

// 1 when the screen is now 640 x 480, 0 on any failure (after a box where the
// failure has a text).
int changeDisplayMode();
