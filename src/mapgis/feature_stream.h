// The feature stream of MapGisFile: getFeature() and what it decodes.
#pragma once

#include <cstdint>

#include "host/function.h"
#include "host/ref.h"
#include "mapgis/file_source.h"

namespace mapgis {

// getFeature(): a generator of feature dictionaries, one valid record per request.
host::Ref get_feature(const host::Args& args);

// Lets a stream that getFeature() made, not yet started, hand its coordinates
// to the export as JSON text; false for any other object.
bool feed_export(PyObject* stream);

// saveAsGeoJson(fileName): the GeoJSON export of the file.
host::Ref save_as_geojson(const host::Args& args);

// The `properties` of the attribute record at `position`: one property
// dictionary per field of self.FieldStruct['fields'], read from `position` + 1.
host::Ref read_properties(PyObject* self, FileSource& source, std::int64_t position);


}  // namespace mapgis
