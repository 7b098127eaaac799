// Writes a folder of sample photos: a few places in every quarter of the globe and one
// photo without a position, so that Read and Save can be tried at once.
#include <cstdio>
#include <filesystem>

#include "PhotoMaker.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    struct Place {
        const char* file;
        double latitude, longitude;
        const char* taken;
    } places[] = {
        {"chicago.jpg", 41.881944, -87.627778, "2021:07:04 12:30:00"},
        {"sydney.jpg", -33.856784, 151.215297, "2022:01:26 09:15:10"},
        {"paris.JPG", 48.858222, 2.2945, "2023:05:14 17:45:31"},
        {"rio.jpg", -22.951916, -43.210487, "2020:02:22 10:05:00"},
        {"greenwich.jpg", 51.477928, -0.001545, "2019:10:01 08:00:00"},
    };
    for (const Place& place : places) {
        photo::Recipe recipe;
        recipe.latitude = photo::dms(place.latitude);
        recipe.longitude = photo::dms(place.longitude);
        recipe.latitudeRef = place.latitude < 0 ? "S" : "N";
        recipe.longitudeRef = place.longitude < 0 ? "W" : "E";
        recipe.dateTime = place.taken;
        recipe.gpsDate = std::string(place.taken).substr(0, 10);
        recipe.gpsTime = photo::triple({{11, 1}, {30, 1}, {1525, 100}});
        photo::write((folder / place.file).string(), recipe);
    }
    photo::Recipe indoors;
    indoors.dateTime = "2021:12:24 20:00:00";
    photo::write((folder / "no-position.jpg").string(), indoors);
    std::printf("%zu sample photos in %s\n", std::size(places) + 1, folder.string().c_str());
    return 0;
}
