#pragma once
#include <deque>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <shapefil.h>

#include "output/FilePrint.h"
#include "output/ShapeFiles.h"
#include "platform/Platform.h"

// One writing: the platform its files go through, each file written and its print once it
// is on the storage, and the first failure with the file it happened on.
struct ShapefileWriting {
    // A file is held open, with all it holds, until the writing completes: shapelib closes
    // the files it has just made and opens them again, which would cost a share three waits.
    struct Held {
        std::string name;  // the file the user knows
        std::unique_ptr<File> file;
        std::string image;
    };
    Platform& platform;
    std::map<std::string, Held> files;  // by path
    FilePrints written;
    IoStatus failure;
    std::string failedPath;
    void note(const IoStatus& status, const std::string& path) {
        if (failure.ok() && !status.ok()) failure = status, failedPath = path;
    }
};

// The shapefile control on shapelib. Its files are written aside (see ShapefileName.h) for
// the Save to put in place. Attribute texts are UTF-8 (the table says so in a .cpg file); a
// text longer than its field widens the field, up to the dBASE limit.
class ShapelibShapeFiles : public ShapeFiles, private ShapeFieldCollection, private ShapePointCollection {
public:
    explicit ShapelibShapeFiles(Platform& platform) : writing_{platform, {}, {}, {}, {}} {}
    ~ShapelibShapeFiles() override;
    ShapelibShapeFiles(const ShapelibShapeFiles&) = delete;
    ShapelibShapeFiles& operator=(const ShapelibShapeFiles&) = delete;

    void CreateShapefile(std::string& path, int32_t shapeType) override;
    ShapeFieldCollection& Fields() override { return *this; }
    void FinishFields() override;
    ShapePointCollection& Points() override { return *this; }
    void WriteRecord() override;
    void EndRecord() override;
    void Complete() override;
    const FilePrints& Written() const override { return writing_.written; }

private:
    using Value = std::variant<std::monostate, int16_t, std::string>;

    class Field : public ShapeField {
    public:
        Field(ShapelibShapeFiles& owner, std::string name, int index) : owner_(owner), name_(std::move(name)), index_(index) {}
        void SetValue(int16_t value) override { owner_.setValue(index_, value); }
        void SetValue(const std::string& value) override { owner_.setValue(index_, value); }
        const std::string& name() const { return name_; }

    private:
        ShapelibShapeFiles& owner_;
        std::string name_;
        int index_;
    };

    ShapeField& AddField(const std::string& name, int type, std::optional<int16_t> width) override;
    ShapeField& GetField(const std::string& name) override;
    void AddPoint(double x, double y) override;

    void setValue(int field, Value value);
    void requireOpen() const;
    void writeText(int record, int field, const std::string& text);
    void throwIfFailed() const;
    void closeFiles();

    ShapefileWriting writing_;
    std::string base_;
    SHPHandle shp_ = nullptr;
    DBFHandle dbf_ = nullptr;
    bool fieldsFinished_ = false;
    std::deque<Field> fields_;
    std::vector<int> widths_;
    std::vector<Value> values_;
    std::vector<std::pair<double, double>> points_;
    double minX_ = std::numeric_limits<double>::infinity(), minY_ = minX_;
    double maxX_ = -minX_, maxY_ = -minX_;
};
