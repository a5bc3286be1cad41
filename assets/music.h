// The show's music track, started once at start-up and left to play.
#pragma once

void startMusic();
