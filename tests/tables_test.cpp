#include <gtest/gtest.h>

#include "tables/RuntimeError.h"
#include "tables/TextTable.h"

TEST(TextTable, CellsOutsideTheSizedRowsAreSubscriptErrors) {
    TextTable table;
    const auto subscriptError = [&](int row, int column) {
        try {
            table.cell(row, column);
        } catch (const RuntimeError& e) {
            return e.number() == errSubscript;
        }
        return false;
    };
    EXPECT_TRUE(subscriptError(0, 0)) << "never sized";
    table.resize(2);
    table.cell(1, 5) = "x";
    for (auto [row, column] : {std::pair{2, 0}, {-1, 0}, {0, 6}, {0, -1}})
        EXPECT_TRUE(subscriptError(row, column)) << row << "," << column;
    table.resize(3);
    EXPECT_EQ(table.cell(1, 5), "") << "resizing discards every earlier row";
}
