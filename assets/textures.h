// The thirteen textures of the show, loaded once at start from its folders.
#pragma once

enum TextureSlot : int {
    canBottomSlot = 2,
    canTopSlot = 3,
    canLabelSlot = 4,
    firstPhraseSlot = 5,  // phrase p is in slot 5 + p
    textureSlotCount = 15,
};

// OpenGL texture names by slot; slots 0 and 1 stay 0.
extern unsigned textureNames[textureSlotCount];

void loadTextures();
void loadTexture(int slot, const char* path);
