// Names of the MapGIS readers: attributes, record keys, feature and style keys.
#pragma once

#include "core/names.h"

namespace mapgis::names {

using namespace core::names;

#define MAPGIS_NAMES(X)                                                                   \
  /* the colour library: the built-in round of a replaced CMYK */                       \
  X(round)                                                                               \
  /* MapGisColorLib */                                                                   \
  X(CMYK) X(RGB) X(count) X(PcolorLibFile) X(_MapGisColorLib__ColorBuffer)               \
  /* MapGisProject: attributes, then the keys of Description and of a Files entry */     \
  X(Description) X(Files)                                                                \
  X(identification) X(typeCode) X(files) X(title) X(environment) X(layoutWidth)          \
  X(layoutHeight) X(layoutRotate) X(layoutXoffset) X(layoutYoffset) X(layoutXscale)      \
  X(layoutYscale) X(xMin) X(yMin) X(xMax) X(yMax) X(sourceFile)                          \
  X(type) X(statusCode) X(file) X(description) X(xmin) X(ymin) X(xmax) X(ymax)           \
  X(userType) X(groupCode) X(netWorkData) X(scaleMin) X(scaleMax) X(labelFlag)           \
  X(labelFields) X(labelHeight) X(labelColor) X(labelFont) X(legendType)                \
  /* MapGisFile: attributes, Parameters, FieldStruct and field keys, the summary */      \
  X(FileName) X(FileType) X(BBox) X(EPSG) X(Parameters) X(TimeStamp) X(RecordCount)      \
  X(FeatureCount) X(Encoding) X(FieldStruct) X(StyleItems) X(_featureDataHeads)          \
  X(ArcTotalCount) X(ArcValidCount)                                                      \
  X(projectionTypeCode) X(fileTypeCode) X(ellipsoidCode) X(unitsCode) X(central_meridian) \
  X(latitude_of_origin) X(standard_parallel_1) X(standard_parallel_2) X(false_easting)   \
  X(false_northing) X(ellipsoidElevation) X(projectionElevation)                         \
  X(fieldCount) X(fieldLength) X(fieldSize) X(recordCount) X(featureCount) X(fields)     \
  X(name) X(size) X(length) X(decimal) X(get)                                            \
  X(fileType) X(timeStamp) X(bbox) X(crs) X(properties) X(parameters)                  \
  /* the feature stream: feature keys, style keys, attribute values */                  \
  X(HEX) X(MapGisColorLib) X(subType) X(id) X(geometry) X(style) X(coordinates) X(value) \
  X(lineNo) X(subLineNo) X(lineType) X(width) X(color) X(subColor) X(xScale) X(yScale)   \
  X(layer) X(transparent) X(subGraph) X(height) X(angle) X(lineWidth) X(lineSubColor)    \
  X(radius) X(circleColor) X(flag) X(startAngle) X(endAngle) X(text) X(gap) X(xGap)      \
  X(yGap) X(fontChinese) X(fontEnglish) X(fontStyle) X(arrangement) X(fillColor)         \
  X(fillPattern) X(patternHeight) X(patternWidth) X(patternColor)                        \
  /* values the stream puts into every feature */                                        \
  X(Feature) X(Point) X(LineString) X(Polygon)                                           \
  /* the GeoJSON export */                                                               \
  X(getCapabilities) X(getFeature) X(publish) X(progress) X(index) X(items)
KESTRIN_DECLARE_NAMES(MAPGIS_NAMES)

}  // namespace mapgis::names
