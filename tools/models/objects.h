// The eight objects, each as closed parts in its own natural frame (y up,
// ground at y = 0 where it stands on something).
#pragma once

#include <vector>

#include "tools/models/assemble.h"

namespace models {

std::vector<Part> tortoise();
std::vector<Part> guitar();
std::vector<Part> palmTree();
std::vector<Part> horse();
std::vector<Part> aeroplane();
std::vector<Part> balloon();
std::vector<Part> pitcher();

}  // namespace models
