#include "output/ShapeWriter.h"

#include "output/CoordinateNumber.h"
#include "tables/Int16.h"

void ShapeWriter::WriteShape() {
    ShapeFilesHold shape(shapeOut_);
    shape->CreateShapefile(v_.shapePath, shapePoint);

    shape->Fields().AddField("Point_id", fieldWholeNumber);
    shape->Fields().AddField("Photo", fieldText, 50);
    shape->Fields().AddField("DateTime_", fieldText, 20);
    shape->Fields().AddField("Date_GPS", fieldText, 12);
    shape->Fields().AddField("Time_GPS", fieldText, 10);
    shape->FinishFields();

    const int16_t last = sub16(v_.pointCount, 1);
    for (int16_t r = 0; r <= last; r = add16(r, 1)) {
        shape->Fields().GetField("Point_id").SetValue(add16(r, 1));
        shape->Fields().GetField("Photo").SetValue(v_.pointList.cell(r, colPath));
        shape->Fields().GetField("DateTime_").SetValue(v_.pointList.cell(r, colDateTime));
        shape->Fields().GetField("Date_GPS").SetValue(v_.pointList.cell(r, colGpsDate));
        shape->Fields().GetField("Time_GPS").SetValue(v_.pointList.cell(r, colGpsTime));

        const double y = decimalCoordinate(v_.pointList.cell(r, colLatitude));
        const double x = withoutNegativeZero(-decimalCoordinate(v_.pointList.cell(r, colLongitude)));
        shape->Points().AddPoint(x, y);

        shape->WriteRecord();
        shape->EndRecord();
    }
    shape.release();
}
