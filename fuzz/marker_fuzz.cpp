// An arbitrary marker (damaged, or planted by another user of a shared folder) beside a new
// set aside that it does not list, with an earlier set under the name or none (the first
// byte's lowest bit, the marker the rest): reading it never crashes, and the next Save never
// puts the new set in place for it. Only a marker that lists each file aside as it is may
// have it put in place.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "output/FilePrint.h"
#include "output/ShapefileName.h"
#include "output/ShapefileReplacement.h"
#include "tables/RuntimeError.h"

namespace fs = std::filesystem;

namespace {
const char* const endings[] = {".shp", ".shx", ".dbf", ".cpg", ".prj"};

std::string bytesOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Whether `marker` lists every file aside with its size and CRC, as a real Save's would.
bool listsTheFilesAside(const std::string& marker) {
    for (const char* ending : endings) {
        const std::string text = std::string("new ") + ending;
        FilePrint print;
        print.add(text.data(), text.size());
        std::ostringstream line;
        line << "new " << ending << ' ' << print.size << ' ' << std::hex << print.crc;
        if (marker.find(line.str()) == std::string::npos) return false;
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A folder of this run's own, removed when the run ends.
    static const struct Folder {
        std::string path = fs::temp_directory_path() / ("pictrak-fuzz-marker-" + std::to_string(getpid()));
        Folder() { fs::create_directories(path); }
        ~Folder() { fs::remove_all(path); }
    } run;
    static const std::unique_ptr<Platform> platform = systemPlatform();
    for (const auto& entry : fs::directory_iterator(run.path)) fs::remove_all(entry.path());
    if (size == 0) return 0;
    const bool earlier = data[0] & 1;
    const std::string base = run.path + "/trip";
    for (const char* ending : endings) {
        if (earlier) std::ofstream(base + ending, std::ios::binary) << "earlier " << ending;
        std::ofstream(writtenAside(base + ending), std::ios::binary) << "new " << ending;
    }
    const std::string marker(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::ofstream(savingMarker(base), std::ios::binary) << marker;

    try {
        ShapefileReplacement replacement(*platform, base);
    } catch (const RuntimeError&) {
        // Refused: the user is told, and the files stay as they are.
    }
    for (const char* ending : endings) {
        const bool kept = earlier ? bytesOf(base + ending) == std::string("earlier ") + ending : !fs::exists(base + ending);
        if (!kept && !listsTheFilesAside(marker)) __builtin_trap();
    }
    return 0;
}
