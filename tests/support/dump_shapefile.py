#!/usr/bin/python3
"""Prints a shapefile as pyshp reads it, one fact a line (TYPE, BBOX, FIELD, then
REC x y value|value|...), for the tests to compare."""
import sys

import shapefile

with shapefile.Reader(sys.argv[1], encoding="utf-8") as reader:
    print("TYPE", reader.shapeType)
    print("BBOX", *("%.17g" % v for v in reader.bbox))
    for name, kind, size, decimals in reader.fields[1:]:
        print("FIELD", name, kind, size, decimals)
    for shape_record in reader.iterShapeRecords():
        x, y = shape_record.shape.points[0]
        values = "|".join(str(v) for v in shape_record.record)
        print("REC %.17g %.17g %s" % (x, y, values))
