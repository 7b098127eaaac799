#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "output/FilePrint.h"

// The shapefile control: builds one point shapefile record by record.
// Every operation throws a RuntimeError when it fails.

enum FieldType : int { fieldWholeNumber = 4, fieldText = 10 };
constexpr int32_t shapePoint = 1;

class ShapeField {
public:
    virtual ~ShapeField() = default;
    // Sets this field's value in the record being assembled.
    virtual void SetValue(int16_t value) = 0;
    virtual void SetValue(const std::string& value) = 0;
};

class ShapeFieldCollection {
public:
    virtual ~ShapeFieldCollection() = default;
    virtual ShapeField& AddField(const std::string& name, int type, std::optional<int16_t> width = std::nullopt) = 0;
    virtual ShapeField& GetField(const std::string& name) = 0;
};

class ShapePointCollection {
public:
    virtual ~ShapePointCollection() = default;
    virtual void AddPoint(double x, double y) = 0;
};

class ShapeFiles {
public:
    virtual ~ShapeFiles() = default;
    // Begins a new shapefile; may complete `path` (it is the caller's own text) so that it
    // names the main file actually written.
    virtual void CreateShapefile(std::string& path, int32_t shapeType) = 0;
    virtual ShapeFieldCollection& Fields() = 0;
    virtual void FinishFields() = 0;
    virtual ShapePointCollection& Points() = 0;
    virtual void WriteRecord() = 0;
    virtual void EndRecord() = 0;
    // Leaves everything written so far complete and readable on disk.
    virtual void Complete() = 0;
    // The files the shapefile begun last was written to, by path, each as it reached the
    // storage (once Complete).
    virtual const FilePrints& Written() const = 0;
};

// A writer's hold on the control. Letting go completes the files on every way out;
// release() does it on the normal way and reports a failure to finish them.
class ShapeFilesHold {
public:
    explicit ShapeFilesHold(ShapeFiles& control) : control_(control) {}
    ~ShapeFilesHold() {
        if (held_) {
            try {
                control_.Complete();
            } catch (...) {
                // Already on the way out with the failure that ended the writing.
            }
        }
    }
    ShapeFilesHold(const ShapeFilesHold&) = delete;
    ShapeFilesHold& operator=(const ShapeFilesHold&) = delete;

    ShapeFiles* operator->() { return &control_; }
    void release() {
        held_ = false;
        control_.Complete();
    }

private:
    ShapeFiles& control_;
    bool held_ = true;
};
