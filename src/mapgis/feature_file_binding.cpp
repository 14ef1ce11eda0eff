// MapGisFile: opening a MapGIS point, line or polygon file (the header, the
// directory of data areas and the attribute schema) and the file-level queries.
//
// Opening reads only what describes the file as a whole, so it costs the same
// whatever the number of features. Text fields and one-byte codes are decoded
// by the object's own bytesToStr and bytesInteger, so a subclass can change them.
#include <vector>

#include "host/file.h"
#include "mapgis/names.h"
#include "host/ops.h"
#include "mapgis/classes.h"
#include "mapgis/decoder.h"
#include "mapgis/feature_format.h"
#include "mapgis/feature_stream.h"
#include "mapgis/file_source.h"

namespace mapgis {

using feature::LayoutId;
using host::Args;
using host::checked;
using host::checked_status;
using host::Ref;

namespace {

// Reads whole records from the open file, reusing one buffer.
class RecordReader {
 public:
  explicit RecordReader(host::InputFile& file) : source_(file) {}
  const unsigned char* next(LayoutId id) { return feature::read_record(source_, id, buffer_).data(); }
  void seek(std::int64_t position) { source_.seek(position); }

 private:
  FileSource source_;
  std::vector<unsigned char> buffer_;
};

using host::DictBuilder;
using host::integer;
using host::real;

[[noreturn]] void raise_invalid_format(PyObject* path) {
  host::raise_text(PyExc_Exception, host::concat_format("[", path, "] invalid file format."));
}

// The position of the decoded magic among the three, or -1.
int magic_kind(PyObject* identification) {
  for (std::size_t kind = 0; kind < feature::kMagics.size(); ++kind) {
    Ref magic = host::text(feature::kMagics[kind]);
    if (checked_status(PyObject_RichCompareBool(identification, magic.get(), Py_EQ))) return static_cast<int>(kind);
  }
  return -1;
}

// The EPSG number of the four codes that bytesInteger gave, compared by the
// host's equality (a replaced bytesInteger may answer other numbers).
Ref epsg_of(PyObject* crs, PyObject* projection, PyObject* ellipsoid, PyObject* units) {
  using host::equals;
  if (equals(crs, 0)) return integer(0);
  if (equals(crs, 1) && equals(projection, 0) && equals(ellipsoid, 7) && equals(units, 4)) return integer(4326);
  if (equals(crs, 3)) {
    if (equals(projection, 3)) return integer(9802);
    if (equals(projection, 2)) return integer(9822);
    if (equals(projection, 4)) return integer(9804);
    if (equals(projection, 5) && equals(ellipsoid, 1)) return integer(4214);
    if (equals(projection, 5) && equals(ellipsoid, 2)) return integer(4610);
  }
  return checked(PyNumber_Multiply(integer(-1).get(), crs));
}

Ref parameters_of(const feature::FileHead& h, const Ref& projection, const Ref& ellipsoid, const Ref& units) {
  return DictBuilder(12)
      .put(names::projectionTypeCode, projection)
      .put(names::fileTypeCode, integer(h.file_type_code))
      .put(names::ellipsoidCode, ellipsoid)
      .put(names::unitsCode, units)
      .put(names::central_meridian, h.central_meridian)
      .put(names::latitude_of_origin, h.latitude_of_origin)
      .put(names::standard_parallel_1, h.standard_parallel_1)
      .put(names::standard_parallel_2, h.standard_parallel_2)
      .put(names::false_easting, h.false_easting)
      .put(names::false_northing, h.false_northing)
      .put(names::ellipsoidElevation, h.ellipsoid_elevation)
      .put(names::projectionElevation, h.projection_elevation)
      .take();
}

Ref field_dict(const feature::FieldDefinition& f, const Decoder& decode) {
  DictBuilder d;
  d.put(names::name, decode.text(f.name));
  d.put(names::type, host::text(feature::field_type_name(f.field_type)));
  d.put(names::typeCode, integer(f.field_type));
  d.put(names::size, integer(f.size));
  d.put(names::length, integer(f.length));
  if (feature::has_decimals(f.field_type)) d.put(names::decimal, integer(f.digits));
  return d.take();
}

// Reads the directory into `_featureDataHeads`, entry by entry.
void read_directory(PyObject* self, RecordReader& reader, const feature::FileHead& head) {
  Ref entries = checked(PyList_New(0));
  host::set_attr(self, names::_featureDataHeads, entries.get());
  reader.seek(head.start);
  for (std::int32_t k = 0; k < head.heads; ++k) {
    const feature::DataHead entry = feature::parse_data_head(reader.next(LayoutId::DataHead));
    Ref tuple = checked(PyTuple_Pack(3, integer(entry.data_start).get(), integer(entry.data_count).get(),
                                     integer(entry.data_end_flag).get()));
    checked_status(PyList_Append(entries.get(), tuple.get()));
  }
}

// DataStart, DataCount, DataEndFlag = self._featureDataHeads[entry]: the
// directory as the object holds it now (setting the counts may have run a
// script's __setattr__), and the start of that area.
std::int64_t area_start(PyObject* self, std::size_t entry) {
  Ref entries = host::get_attr(self, names::_featureDataHeads);
  Ref head = host::get_index(entries.get(), static_cast<Py_ssize_t>(entry));
  Ref fields[3];
  host::unpack(head.get(), 3, fields);
  return offset_value(fields[0].get());
}

// Sets FileType and the counts by the magic and the type code, which must agree.
void set_kind(PyObject* self, PyObject* path, const feature::FileHead& head, int magic) {
  const std::int32_t code = head.file_type_code;
  if (code < 0 || code > 2 || code != magic) raise_invalid_format(path);
  const bool polygons = code == 2;
  host::set_attr(self, names::FileType, host::text(feature::kFileTypes[code]).get());
  const long long records = static_cast<long long>(polygons ? head.total_polygons : head.total) - 1;
  host::set_attr(self, names::RecordCount, integer(records).get());
  host::set_attr(self, names::FeatureCount, integer(polygons ? head.valid_polygons : head.valid).get());
  if (polygons) {
    host::set_attr(self, names::ArcTotalCount, integer(static_cast<long long>(head.total) - 1).get());
    host::set_attr(self, names::ArcValidCount, integer(head.valid).get());
  }
}

void read_schema(PyObject* self, RecordReader& reader, const feature::FileHead& head, const Decoder& decode) {
  const std::size_t entry = head.file_type_code == 2 ? feature::kPolygonAttributeArea
                                                     : feature::kLinePointAttributeArea;
  reader.seek(area_start(self, entry));
  const feature::FieldHead field_head = feature::parse_field_head(reader.next(LayoutId::FieldHead));

  DictBuilder schema;
  schema.put(names::fieldCount, integer(field_head.field_count));
  schema.put(names::fieldLength, integer(field_head.fields_length));
  schema.put(names::fieldSize, integer(field_head.field_size));
  schema.put(names::recordCount, host::get_attr(self, names::RecordCount));
  schema.put(names::featureCount, host::get_attr(self, names::FeatureCount));
  host::set_attr(self, names::FieldStruct, schema.get());

  Ref fields = checked(PyList_New(0));
  for (std::int16_t k = 0; k < field_head.field_count; ++k) {
    const feature::FieldDefinition definition = feature::parse_field(reader.next(LayoutId::Field));
    checked_status(PyList_Append(fields.get(), field_dict(definition, decode).get()));
  }
  // self.FieldStruct['fields'] = fields: the schema as the object holds it now
  // (a bytesToStr of a script's may have replaced it).
  Ref held = host::get_attr(self, names::FieldStruct);
  checked_status(PyObject_SetItem(held.get(), names::fields, fields.get()));
}

Ref construct(const Args& args) {
  host::init_base(args);
  PyObject* self = args.self();
  PyObject* path = args[0];
  PyObject* encoding = args[2];
  for (PyObject* name : {names::FileName, names::FileType, names::BBox, names::EPSG, names::Parameters,
                         names::TimeStamp, names::RecordCount, names::FeatureCount}) {
    host::set_attr(self, name, Py_None);
  }
  host::set_attr(self, names::PcolorLibFile, args[1]);
  host::set_attr(self, names::Encoding, encoding);
  host::set_attr(self, names::FieldStruct, Py_None);
  host::set_attr(self, names::StyleItems, Py_None);
  // One stat answers both the file test and the modification time.
  const host::FileStatus status = host::file_status(path);
  if (!status.regular_file) {
    PyErr_SetObject(PyExc_FileNotFoundError, path);
    host::raise_pending();
  }
  host::set_attr(self, names::FileName, path);
  host::set_attr(self, names::TimeStamp, host::local_time_text(status.modified).get());

  host::InputFile file(path, host::InputFile::kSmallBlockSize);  // a few records, far apart
  RecordReader reader(file);
  const Decoder decode(self, encoding);
  const feature::FileHead head = feature::parse_file_head(reader.next(LayoutId::FileHead));
  Ref identification = decode.text(head.identification);
  const int magic = magic_kind(identification.get());
  if (magic < 0) raise_invalid_format(path);

  Ref bbox = checked(Py_BuildValue("[dddd]", head.x_min, head.y_min, head.x_max, head.y_max));
  host::set_attr(self, names::BBox, bbox.get());
  Ref projection = decode.code(head.projection_type);
  Ref ellipsoid = decode.code(head.ellipsoid_code);
  Ref units = decode.code(head.units);
  Ref crs = decode.code(head.crs);
  host::set_attr(self, names::EPSG, epsg_of(crs.get(), projection.get(), ellipsoid.get(), units.get()).get());
  host::set_attr(self, names::Parameters, parameters_of(head, projection, ellipsoid, units).get());

  read_directory(self, reader, head);
  set_kind(self, path, head, magic);
  read_schema(self, reader, head, decode);
  return host::none();
}

Ref describe_property(const Args& args) {
  Ref schema = host::get_attr(args.self(), names::FieldStruct);
  if (schema.get() == Py_None) return host::none();
  Ref fields = host::call_method(schema.get(), names::get, names::fields);
  if (fields.get() != Py_None && !PyList_Check(fields.get())) {
    host::raise_format(PyExc_TypeError, "Expected %s, got %.200s", "list", Py_TYPE(fields.get())->tp_name);
  }
  return fields;
}

// os.path.splitext(os.path.basename(name))[0], through the host's own functions.
Ref stem_of(PyObject* file_name) {
  Ref os_path = host::import_module("os.path");
  Ref base = host::call(checked(PyObject_GetAttrString(os_path.get(), "basename")).get(), file_name);
  Ref parts = host::call(checked(PyObject_GetAttrString(os_path.get(), "splitext")).get(), base.get());
  return host::get_item(parts.get(), integer(0).get());
}

Ref get_capabilities(const Args& args) {
  PyObject* self = args.self();
  Ref file_type = host::get_attr(self, names::FileType);
  if (file_type.get() == Py_None) return host::none();
  DictBuilder summary;
  summary.put(names::type, host::text("FeatureCollection"));
  summary.put(names::fileType, file_type);
  summary.put(names::timeStamp, host::get_attr(self, names::TimeStamp));
  summary.put(names::name, stem_of(host::get_attr(self, names::FileName).get()));
  summary.put(names::bbox, host::get_attr(self, names::BBox));

  DictBuilder crs_properties;
  crs_properties.put(names::name, host::concat_format("EPSG:", host::get_attr(self, names::EPSG).get()));
  crs_properties.put(names::parameters, host::get_attr(self, names::Parameters));
  crs_properties.put(names::crs, host::none());
  DictBuilder crs;
  crs.put(names::type, host::text("name"));
  crs.put(names::properties, crs_properties.take());
  summary.put(names::crs, crs.take());

  Ref schema = host::get_attr(self, names::FieldStruct);
  if (schema.get() != Py_None) {
    DictBuilder counts;
    counts.put(names::fieldCount, host::get_item(schema.get(), names::fieldCount));
    counts.put(names::featureCount, host::get_item(schema.get(), names::featureCount));
    summary.put(names::properties, counts.take());
  }
  return summary.take();
}

// The record layouts as class constants, in their order.
std::vector<host::Member> members() {
  using host::param;
  std::vector<host::Member> all;
  for (const feature::LayoutConstant& constant : feature::kLayouts) {
    all.push_back(host::Constant{.name = constant.name, .text = constant.format});
  }
  all.push_back(host::Method{
      .name = "__init__",
      .params = {param("mapGisFile", "str").exactly(&PyUnicode_Type),
                 param("mapGisColorLib", "str").exactly(&PyUnicode_Type).or_none().defaults_to(host::none_default()),
                 param("encoding", "str").exactly(&PyUnicode_Type).defaults_to(host::text_default("GB2312"))},
      .doc = "打开 MapGIS 点、线、面文件，读取文件头、数据区目录和属性结构。",
      .body = construct,
  });
  all.push_back(host::Method{
      .name = "describeProperty",
      .returns = "Union[list, None]",
      .doc = "属性字段列表（FieldStruct['fields']）；未加载文件时为 None。",
      .body = describe_property,
  });
  all.push_back(host::Method{
      .name = "getCapabilities",
      .returns = "Union[dict, None]",
      .doc = "文件概要（GeoJSON FeatureCollection 的成员）；未加载文件时为 None。",
      .body = get_capabilities,
  });
  all.push_back(host::Method{
      .name = "getFeature",
      .returns = "Iterator",
      .doc = "逐个生成要素字典（GeoJSON Feature）：几何、样式、属性与时间戳。",
      .body = get_feature,
  });
  all.push_back(host::Method{
      .name = "saveAsGeoJson",
      .params = {param("fileName", "str").exactly(&PyUnicode_Type)},
      .returns = "None",
      .doc = "把全部要素导出为 GeoJSON 文本文件（UTF-8），每个要素写出前发布 progress 消息。",
      .body = save_as_geojson,
  });
  return all;
}

}  // namespace

const host::ClassSpec& feature_file_class() {
  static const host::ClassSpec spec{
      .name = "MapGisFile",
      .base = "KestrinBase",
      .doc = "MapGIS 点、线、面文件（WT、WL、WP）读取器。\n"
             "\n"
             "示例：\n"
             "    layer = MapGisFile('地块.WP')\n"
             "    print(layer.FileType, layer.FeatureCount, layer.describeProperty())\n",
      .members = members(),
  };
  return spec;
}

}  // namespace mapgis
