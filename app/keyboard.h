// The keys the show takes as messages: Esc ends it, F1 to F4 tune the scene.
#pragma once

void onKeyDown(unsigned virtualKey);
