// PLACEHOLDER until the reader lands.
#include "platform/tga.h"
_IMAGE_INFO* TexLoader::LoadTGA(const char* path) {
    lastError = std::string(path) + ": not read yet";
    return nullptr;
}
