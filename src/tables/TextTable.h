#pragma once
#include <array>
#include <string>
#include <vector>

// A table of text cells with six columns; rows are sized as a whole and every
// access outside the sized rows or columns is a subscript failure.
class TextTable {
public:
    static constexpr int columns = 6;

    // Discards every row and gives `rows` empty ones.
    void resize(int rows);
    int rows() const { return static_cast<int>(rows_.size()); }

    const std::string& cell(int row, int column) const;
    std::string& cell(int row, int column);

private:
    std::vector<std::array<std::string, columns>> rows_;
};
