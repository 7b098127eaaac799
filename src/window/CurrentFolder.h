#pragma once
#include <string>

// The process's current folder as the file system names it, or "" when it cannot be known
// (a path longer than the system hands out).
std::string currentFolder();
