// Seed inputs for the fuzz targets: photos with odd GPS tags, position texts, attribute
// texts, and the markers of real Saves.
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FaultyPlatform.h"
#include "PhotoMaker.h"
#include "output/ShapefileName.h"
#include "output/ShapefileReplacement.h"
#include "output/ShapelibShapeFiles.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path root = argv[1];
    for (const char* target : {"tag_reader", "coordinate", "shapefile", "marker"}) fs::create_directories(root / target);

    using photo::triple;
    std::vector<photo::Recipe> photos(8);
    photos[0].latitude = photo::dms(-33.86);
    photos[0].longitude = photo::dms(151.2);
    photos[0].latitudeRef = "S";
    photos[0].longitudeRef = "E";
    photos[0].gpsTime = triple({{14, 1}, {33, 1}, {3562, 100}});
    photos[0].dateTime = "2011:01:13 14:33:39";
    photos[0].gpsDate = "2011:01:13";
    photos[1] = photos[0];
    photos[1].bigEndian = true;
    photos[2].latitude = triple({{41, 1}, {0, 0}, {0, 1}});
    photos[3].latitude = triple({{-33, 1}, {36, 1}, {58, 1}}, EXIF_FORMAT_SRATIONAL);
    photos[4].latitude = triple({{4294967295LL, 1}, {1, 1}});
    photos[5] = photos[0];
    photos[5].appBytesBeforeExif = 70000;
    photos[6] = photos[0];
    photos[6].cameraTags = true;
    photos[6].thumbnailBytes = 3000;
    photos[7].withExif = false;
    for (size_t i = 0; i < photos.size(); ++i) photo::write((root / "tag_reader" / ("seed" + std::to_string(i) + ".jpg")).string(), photos[i]);

    const char* positions[] = {
        "41 Degrees 59 Minutes 30.5 Seconds N\n91 Degrees 30 Minutes 15 Seconds W",
        "33 Degrees 36 Minutes 58 Seconds S\n151 Degrees 12 Minutes 0 Seconds E",
        "41 Degrees,59 Minutes,30 Seconds\n1 Degrees 2 Minutes 3 Seconds",
        "41 Degrees\n",
        "Degrees Minutes Seconds\n-1e3 Degrees 0 Minutes 0 Seconds",
    };
    int n = 0;
    for (const char* text : positions) std::ofstream(root / "coordinate" / ("seed" + std::to_string(n++))) << text;

    const std::string attributes[] = {
        std::string("/photos/Café/été.jpg") + '\0' + "2020:01:02 03:04:05" + '\0' + "2020:01:02" + '\0' + "03:04:05.25",
        std::string(300, 'x') + '\0' + std::string(100, 'y'),
        "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x93\xB7",
    };
    n = 0;
    for (const std::string& text : attributes) std::ofstream(root / "shapefile" / ("seed" + std::to_string(n++))) << text;

    // The marker of a Save at a new name, and of one over it, each taken as it stands whole;
    // and the second cut short as it was written.
    TempDir out;
    const std::string base = out / "trip";
    std::string marker;
    for (int save = 0; save < 2; ++save) {
        FaultyPlatform platform;
        platform.beforeChange = [&] {
            const std::optional<std::string> text = fileBytes(savingMarker(base));
            if (text && text->find("end") != std::string::npos) marker = *text;
        };
        ShapefileReplacement replacement(platform, base);
        ShapelibShapeFiles control(platform);
        std::string path = base;
        control.CreateShapefile(path, shapePoint);
        control.Fields().AddField("Point_id", fieldWholeNumber);
        control.FinishFields();
        control.Fields().GetField("Point_id").SetValue(int16_t{1});
        control.Points().AddPoint(1.5, -2.5 - save);
        control.WriteRecord();
        control.EndRecord();
        control.Complete();
        FilePrints written = control.Written();
        const std::string projection = "GEOGCS[\"GCS_WGS_1984\"]";
        std::ofstream(writtenAside(base + ".prj")) << projection;
        written[writtenAside(base + ".prj")].add(projection.data(), projection.size());
        replacement.commit(written);
        // marker_fuzz's first byte: whether an earlier set stands under the name
        std::ofstream(root / "marker" / ("seed" + std::to_string(save))) << (save ? '1' : '0') << marker;
    }
    std::ofstream(root / "marker" / "seed2") << '1' << marker.substr(0, marker.size() / 2);
    return 0;
}
