#include <gtest/gtest.h>

#include "tables/Int16.h"
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

TEST(Int16, ArithmeticStaysInRangeOrOverflows) {
    struct Case {
        int a, b;
        bool add;
        int expected;  // 0 with overflow set means: overflow
        bool overflow;
    } cases[] = {
        {32766, 1, true, 32767, false}, {32767, 1, true, 0, true},     {-32768, 1, false, 0, true},
        {-32767, 1, false, -32768, false}, {0, -1, false, 1, false},   {-1, 0, true, -1, false},
    };
    for (const Case& c : cases) {
        const auto a = static_cast<int16_t>(c.a), b = static_cast<int16_t>(c.b);
        if (c.overflow) {
            EXPECT_EQ(errorOf([&] { c.add ? add16(a, b) : sub16(a, b); }), errOverflow) << c.a << "," << c.b;
        } else {
            EXPECT_EQ(c.add ? add16(a, b) : sub16(a, b), c.expected) << c.a << "," << c.b;
        }
    }
}

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
