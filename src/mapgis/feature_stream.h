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

// Lets a stream that getFeature() made, not yet started and held by nothing
// else, hand its features to the export as their JSON text where no script
// could tell (host::raw_json objects); false for any other object.
bool feed_export(PyObject* stream);

// saveAsGeoJson(fileName): the GeoJSON export of the file.
host::Ref save_as_geojson(const host::Args& args);

// Where the values of the attribute record of feature slot k begin: its
// position + 1, the position being fieldOffset + k × fieldsLength with
// fieldOffset = DataStart + fieldSize + fieldsLength, from the values taken
// when a run starts. Integers that 64 bits hold are added here, exactly; any
// other values go through the host's arithmetic, and a position that is then
// not exactly an int is refused as the reader's `position` argument is. A
// position no seek can take is refused only by the seek.
class AttributeRecords {
 public:
  void start(PyObject* data_start, PyObject* field_size, PyObject* fields_length);
  WideOffset values_start(std::int64_t slot) const;

 private:
  bool plain_ = true;
  WideOffset offset_ = 0;
  std::int64_t stride_ = 0;
  host::Ref offset_object_;
  host::Ref stride_object_;
};

// One field of an attribute record as it is decoded: the field dictionary's
// entries, in the order they are read, and the value.
struct DecodedField {
  host::Ref name, type, length, decimal, value;  // decimal for float and double fields only
};

// The `properties` of one attribute record: a property dictionary per field of
// self.FieldStruct['fields'] (read afresh at every record), decoded from the
// record's position + 1 on.
//
// For the export, a record is kept as its fields while every object of them is
// a plain value (host::plain_value, names exactly str), which nothing can
// change or run code on: it is then written as {name: value, ...} without the
// dictionaries being made. The first field that holds anything else turns the
// record into the dictionaries there and then, as the stream makes them for
// any other consumer, so that what a script can see happens in the same order.
class RecordProperties {
 public:
  // Decodes the record whose values begin at `values_start`; `as_text` keeps
  // plain fields as they are.
  void read(PyObject* self, FileSource& source, WideOffset values_start, bool as_text);
  // Whether the record read is kept as plain fields.
  bool as_text() const { return !dict_; }
  // {name: value} of a record kept as plain fields, as the dictionary of those
  // pairs would be written (a repeated name keeps its first place and its last value).
  void write(std::string& out, host::JsonWriter& writer);
  // The properties dictionary of the record read (made now from plain fields).
  host::Ref take();

 private:
  void insert(const DecodedField& field);
  bool names_distinct() const;

  std::vector<DecodedField> fields_;
  host::Ref dict_;
};

}  // namespace mapgis
