#include "window/CurrentFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>

std::string currentFolder() {
    const std::unique_ptr<char, void (*)(void*)> path(getcwd(nullptr, 0), std::free);
    return path ? path.get() : "";
}
