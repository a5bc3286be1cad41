// The phrase image behind everything, and the grey line through the control
// points on the ground plane; both fade with the scene.
#pragma once

void drawPhraseBackdrop();
void drawPathLine();
