#pragma once

#include <string>
#include <vector>

namespace kelvatrix {

// The whole program on Windows: the command line (UTF-8), start-up, the window or the batch.
int RunProgram(const std::vector<std::string>& arguments);

}  // namespace kelvatrix
