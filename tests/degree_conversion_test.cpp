#include <gtest/gtest.h>

#include "Fakes.h"
#include "output/DegreeConversion.h"

namespace {
const std::string failureText =
    "An unexpected error has occurred when processing the geo-spatial tags into decimal degrees.";

struct Converted {
    bool failed;
    std::vector<std::vector<std::string>> rows;  // path, latitude, longitude
};

Converted convert(const std::vector<std::pair<std::string, std::string>>& positions) {
    WorkingValues v;
    v.photoList.resize(static_cast<int>(positions.size()));
    v.photoCount = static_cast<int16_t>(positions.size());
    for (int r = 0; r < v.photoCount; ++r) {
        v.photoList.cell(r, colPath) = "p" + std::to_string(r);
        v.photoList.cell(r, colLatitude) = positions[r].first;
        v.photoList.cell(r, colLongitude) = positions[r].second;
        v.photoList.cell(r, colGpsTime) = "t" + std::to_string(r);
    }
    FakeMessageBox box;
    v.saveState = saveNamed;
    DegreeConversion(v, box).ProcessLL();
    Converted out{v.saveState == saveNamed, {}};
    std::string shown;  // one message when the conversion fails, none otherwise
    for (const ShownMessage& m : box.shown) shown += m.prompt + "|" + std::to_string(m.style) + "|" + m.title;
    EXPECT_EQ(shown, out.failed ? failureText + "|64|Error" : "");
    for (int r = 0; r < v.pointCount; ++r) {
        out.rows.push_back({v.pointList.cell(r, colPath), v.pointList.cell(r, colLatitude),
                            v.pointList.cell(r, colLongitude)});
        EXPECT_EQ(v.pointList.cell(r, colGpsTime), "t" + v.pointList.cell(r, colPath).substr(1));
    }
    return out;
}

const std::string ok = "1 Degrees 0 Minutes 0 Seconds";
}  // namespace

TEST(DegreeConversion, ConvertsOnePosition) {
    struct Case {
        std::string latitude, longitude, expectedLatitude, expectedLongitude;
    } cases[] = {
        {"41 Degrees 59 Minutes 30 Seconds", "91 Degrees 30 Minutes 15 Seconds", " 41.9916666666667",
         " 91.5041666666667"},
        // Fractions are kept, not rounded to whole numbers first.
        {"41 Degrees 59 Minutes 30.5 Seconds", "41 Degrees 51.18 Minutes 0 Seconds", " 41.9918055555556", " 41.853"},
        {"41 Degrees 59 Minutes 31.5 Seconds", ok, " 41.9920833333333", " 1"},
        // Hemisphere letters: S makes a latitude negative, E a longitude (column 2 counts west).
        {"33 Degrees 36 Minutes 58 Seconds S", "151 Degrees 12 Minutes 0 Seconds E", "-33.6161111111111", "-151.2"},
        {"33 Degrees 36 Minutes 58 Seconds N", "151 Degrees 12 Minutes 0 Seconds W", " 33.6161111111111", " 151.2"},
        {"1 Degrees 0 Minutes 0 Seconds   S", "1 Degrees 0 Minutes 0 SecondsE", "-1", "-1"},
        {"1 Degrees 0 Minutes 0 Seconds E", "1 Degrees 0 Minutes 0 Seconds S", " 1", " 1"},
        {"0 Degrees 0 Minutes 0 Seconds S", "0 Degrees 0 Minutes 0 Seconds E", " 0", " 0"},
        // One character after each word is dropped, whatever it is; blanks around numbers are ignored.
        {"41 Degrees,59 Minutes,30 Seconds", "  1  Degrees  2  Minutes  3.6  Seconds", " 41.9916666666667",
         " 1.03433333333333"},
        {"0 Degrees 0 Minutes 0.036 Seconds", "-10.5 Degrees 0 Minutes 0 Seconds", " 1e-05", "-10.5"},
    };
    for (const Case& c : cases) {
        const Converted out = convert({{c.latitude, c.longitude}});
        ASSERT_FALSE(out.failed) << c.latitude;
        ASSERT_EQ(out.rows.size(), 1u) << c.latitude;
        EXPECT_EQ(out.rows[0][1], c.expectedLatitude) << c.latitude;
        EXPECT_EQ(out.rows[0][2], c.expectedLongitude) << c.longitude;
    }
}

TEST(DegreeConversion, PhotosWithoutThePositionWordsAreLeftOutSilently) {
    const Converted out = convert({
        {ok, ok},
        {"", ok},
        {"41 degrees 59 Minutes 30 Seconds", ok},
        {ok, "1 Degrees 2 Seconds"},
        {"41 Degrees ", ok},
        {ok, "1 Degrees 0 Minutes 0 seconds"},
        {ok, ok},
    });
    ASSERT_FALSE(out.failed);
    ASSERT_EQ(out.rows.size(), 2u);
    EXPECT_EQ(out.rows[0][0], "p0");
    EXPECT_EQ(out.rows[1][0], "p6");
}

TEST(DegreeConversion, BadNumbersFailTheWholeConversion) {
    const std::string failing[] = {
        "41 Degrees",                          // nothing after the word
        "Degrees 59 Minutes 30 Seconds",       // no number
        "x Degrees 59 Minutes 30 Seconds",     // not a number
        "41 Degrees 59 Minutes nan Seconds",   //
        "41 Degrees 59 Minutes 1e999 Seconds", //
        "41 Degrees 59 Minutes 32767.5 Seconds",
        "41 Degrees -32769 Minutes 0 Seconds",
        "4,5 Degrees 0 Minutes 0 Seconds",     // a comma is no decimal separator, in any locale
        std::string(32761, ' ') + "1 Degrees 0 Minutes 0 Seconds",
    };
    for (const std::string& text : failing) {
        const Converted out = convert({{ok, ok}, {text, ok}, {ok, ok}});
        EXPECT_TRUE(out.failed) << text.substr(0, 60);
        EXPECT_EQ(out.rows.size(), 1u) << "rows converted before the failure stay";
    }
    // Just inside the limits.
    EXPECT_FALSE(convert({{"41 Degrees 59 Minutes 32767.4 Seconds", ok}}).failed);
    EXPECT_FALSE(convert({{std::string(32752, ' ') + "1 Degrees 0 Minutes 0 Seconds", ok}}).failed);
}

TEST(DegreeConversion, EmptyTableAndTheLargestTables) {
    EXPECT_FALSE(convert({}).failed);
    EXPECT_TRUE(convert({}).rows.empty());

    std::vector<std::pair<std::string, std::string>> many(32766, {ok, ok});
    const Converted full = convert(many);
    EXPECT_FALSE(full.failed);
    EXPECT_EQ(full.rows.size(), 32766u);
    many.emplace_back(ok, ok);
    EXPECT_TRUE(convert(many).failed) << "32767 photos are one too many to convert";
}
