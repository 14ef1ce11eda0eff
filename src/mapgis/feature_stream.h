// The feature stream of MapGisFile: getFeature() and what it decodes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/function.h"
#include "host/json_writer.h"
#include "host/ref.h"
#include "mapgis/file_source.h"

namespace mapgis {

// getFeature(): a generator of feature dictionaries, one valid record per request.
host::Ref get_feature(const host::Args& args);

// Lets a stream that getFeature() made, not yet started, hand its features to
// the export as their JSON text (host::raw_json objects); false for any other
// object.
bool feed_export(PyObject* stream);

// saveAsGeoJson(fileName): the GeoJSON export of the file.
host::Ref save_as_geojson(const host::Args& args);

// Where the attribute record of feature slot k (from 0) lies: fieldOffset +
// k × fieldsLength, with fieldOffset = DataStart + fieldSize + fieldsLength,
// from FieldStruct's values taken when a run starts. Plain integers are added
// here; any other values go through the host's arithmetic, and a position
// that is then not exactly an int is refused as the reader's `position`
// argument is.
class AttributeRecords {
 public:
  void start(std::int64_t data_start, PyObject* field_size, PyObject* fields_length);
  std::int64_t position(std::int64_t slot) const;

 private:
  bool plain_ = true;
  std::int64_t offset_ = 0;
  std::int64_t stride_ = 0;
  host::Ref offset_object_;
  host::Ref stride_object_;
};

// The `properties` of the attribute record at `position`: one property
// dictionary per field of self.FieldStruct['fields'], read from `position` + 1.
host::Ref read_properties(PyObject* self, FileSource& source, std::int64_t position);

// The same record as the export writes it: {name: value, ...}, as JSON text,
// without the property dictionaries that only the stream's consumers see.
class FlatProperties {
 public:
  // Reads the record as read_properties does (the same reads, in the same order).
  void read(PyObject* self, FileSource& source, std::int64_t position);
  // Appends {name: value} of what was read, as the dictionary of those pairs
  // would be written (a repeated name keeps its first place and its last value).
  void write(std::string& out, host::JsonWriter& writer);

 private:
  bool names_distinct();

  std::vector<host::Ref> names_;
  std::vector<host::Ref> values_;
  // The names last found distinct or not, so a schema is checked once per run.
  std::vector<host::Ref> checked_names_;
  bool checked_distinct_ = false;
};


}  // namespace mapgis
