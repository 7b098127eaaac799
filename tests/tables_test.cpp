#include <gtest/gtest.h>

#include "tables/RuntimeError.h"
#include "tables/TextTable.h"

namespace {
int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}
}  // namespace

TEST(TextTable, CellsOutsideTheSizedRowsAreSubscriptErrors) {
    TextTable table;
    EXPECT_EQ(errorOf([&] { table.cell(0, 0); }), errSubscript);  // never sized
    table.resize(2);
    table.cell(1, 5) = "x";
    for (auto [row, column] : {std::pair{2, 0}, {-1, 0}, {0, 6}, {0, -1}})
        EXPECT_EQ(errorOf([&] { table.cell(row, column); }), errSubscript) << row << "," << column;
    table.resize(3);
    EXPECT_EQ(table.cell(1, 5), "") << "resizing discards every earlier row";
}
