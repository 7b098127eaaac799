#include "tables/TextTable.h"

#include "tables/RuntimeError.h"

void TextTable::resize(int rows) {
    if (rows < 0) throw RuntimeError(errSubscript);
    rows_.clear();
    rows_.shrink_to_fit();
    rows_.resize(static_cast<size_t>(rows));
}

const std::string& TextTable::cell(int row, int column) const {
    if (row < 0 || row >= rows() || column < 0 || column >= columns) throw RuntimeError(errSubscript);
    return rows_[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

std::string& TextTable::cell(int row, int column) {
    return const_cast<std::string&>(static_cast<const TextTable&>(*this).cell(row, column));
}
