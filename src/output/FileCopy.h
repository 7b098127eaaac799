#pragma once
#include <string>

#include "output/FilePrint.h"
#include "platform/Platform.h"

// Copies a whole file to a new one, brought to the storage, and gives what it wrote: file not
// found (53) when the source is missing, path not found (76) when the destination's folder
// is, permission denied (70) when the destination cannot be written. Each error names its file.
FilePrint copyFile(Platform& platform, const std::string& source, const std::string& destination);
