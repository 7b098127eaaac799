#pragma once
#include <string>

// Asks the storage early for the start of a photo that is about to be read, so that a card
// or a disk the machine has not read yet works on several photos at once. A hint changes
// nothing that is read, and one that fails is simply no help.
class ReadAhead {
public:
    virtual ~ReadAhead() = default;
    virtual void Hint(const std::string& path) noexcept = 0;
};

// How many photos ahead of the one being read the storage is asked for.
constexpr int readAheadWindow = 32;

// The kernel's read-ahead of the first bytes a photo is read for; holds nothing open.
class KernelReadAhead : public ReadAhead {
public:
    void Hint(const std::string& path) noexcept override;
};
