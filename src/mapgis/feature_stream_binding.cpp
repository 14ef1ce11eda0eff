// getFeature(): the records of an opened file as feature dictionaries, one
// valid record per request, with the input file kept open between requests.
//
// What the run takes once (file name, counts, attribute layout, colour library)
// is read at the first request; the directory entries, StyleItems, TimeStamp
// and Encoding are read again where they are used, so a script's change shows.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "host/generator.h"
#include "host/json_writer.h"
#include "host/module.h"
#include "mapgis/names.h"
#include "host/ops.h"
#include "mapgis/classes.h"
#include "mapgis/decoder.h"
#include "mapgis/feature_format.h"
#include "mapgis/attribute_format.h"
#include "mapgis/feature_stream.h"
#include "mapgis/feature_walk.h"
#include "mapgis/rings.h"

namespace mapgis {

using feature::LayoutId;
using host::checked;
using host::checked_status;
using host::Ref;

namespace {

enum FileKind : std::int64_t { kLine = 0, kPoint = 1, kPolygon = 2 };

// The style vocabulary of each file type, by position.
const std::vector<PyObject*>& line_style_items() {
  static const std::vector<PyObject*> items = {names::lineNo, names::subLineNo, names::lineType, names::width,
                                               names::color,  names::subColor,  names::xScale,   names::yScale,
                                               names::layer,  names::transparent};
  return items;
}

const std::vector<PyObject*>& point_style_items() {
  static const std::vector<PyObject*> items = {
      names::subGraph,    names::height,      names::width,        names::angle,        names::lineWidth,
      names::lineSubColor, names::radius,     names::circleColor,  names::flag,         names::startAngle,
      names::endAngle,    names::text,        names::file,         names::gap,          names::xGap,
      names::yGap,        names::fontChinese, names::fontEnglish,  names::fontStyle,    names::layoutHeight,
      names::layoutWidth, names::color,       names::layer,        names::arrangement,  names::transparent,
      names::fillColor};
  return items;
}

const std::vector<PyObject*>& polygon_style_items() {
  static const std::vector<PyObject*> items = {names::fillColor,    names::fillPattern, names::patternHeight,
                                               names::patternWidth, names::lineWidth,   names::patternColor,
                                               names::layer,        names::transparent};
  return items;
}

using host::integer;
using host::real;

Ref new_list(const std::vector<PyObject*>& items) {
  Ref list = checked(PyList_New(static_cast<Py_ssize_t>(items.size())));
  for (std::size_t i = 0; i < items.size(); ++i) PyList_SET_ITEM(list.get(), i, Py_NewRef(items[i]));
  return list;
}

class FeatureRun final : public host::GeneratorBody {
 public:
  explicit FeatureRun(PyObject* self) : self_(Ref::borrow(self)), directory_(self) {}

  Ref next() override {
    if (!started_) {
      started_ = true;
      if (!start()) return Ref();
    }
    while (index_ < limit_) {
      const std::int64_t i = index_++;
      Ref feature = kind_ == kLine ? line_feature(i) : kind_ == kPoint ? point_feature(i) : polygon_feature(i);
      if (feature) return feature;
    }
    release();
    return Ref();
  }

  void release() override {
    walk_.reset();
    source_.reset();
    file_.reset();
    colours_ = Ref();
  }

  int traverse(visitproc visit, void* arg) override {
    Py_VISIT(self_.get());
    Py_VISIT(colours_.get());
    return 0;
  }

 private:
  PyObject* self() const { return self_.get(); }

  // The first request: false when the run ends before a feature.
  bool start() {
    Ref file_name = host::get_attr(self(), names::FileName);
    if (file_name.get() == Py_None) return false;
    Ref count = host::get_attr(self(), names::FeatureCount);
    if (count.get() == Py_None) return false;
    Ref zero = integer(0);
    if (!checked_status(PyObject_RichCompareBool(count.get(), zero.get(), Py_GT))) return false;

    Ref kind = host::get_item(host::get_attr(self(), names::Parameters).get(), names::fileTypeCode);
    Ref schema = host::get_attr(self(), names::FieldStruct);
    Ref fields_length = host::get_item(schema.get(), names::fieldLength);
    Ref field_size = host::get_item(schema.get(), names::fieldSize);
    const bool polygons = host::equals(kind.get(), kPolygon);
    const std::int64_t attribute_start =
        area_start(polygons ? feature::kPolygonAttributeArea : feature::kLinePointAttributeArea);
    attribute_records_.start(attribute_start, field_size.get(), fields_length.get());

    Ref colour_class = host::module_global(names::MapGisColorLib);
    colours_ = host::call(colour_class.get(), host::get_attr(self(), names::PcolorLibFile).get());
    limit_ = host::as_int64(host::get_attr(self(), names::RecordCount).get());
    file_.emplace(file_name.get());
    source_.emplace(*file_);
    walk_.emplace(*source_, directory_);

    kind_ = -1;
    for (std::int64_t candidate : {kLine, kPoint, kPolygon}) {
      if (host::equals(kind.get(), candidate)) {
        kind_ = candidate;
        break;
      }
    }
    if (kind_ < 0) {
      release();
      return false;
    }
    const auto& items = kind_ == kLine ? line_style_items() : kind_ == kPoint ? point_style_items()
                                                                               : polygon_style_items();
    host::set_attr(self(), names::StyleItems, new_list(items).get());
    return true;
  }

  // The directory entries as the object holds them now: self._featureDataHeads[k][0].
  class ObjectDirectory final : public feature::Directory {
   public:
    explicit ObjectDirectory(PyObject* self) : self_(self) {}
    std::int64_t area_start(std::size_t entry) override {
      Ref entries = host::get_attr(self_, names::_featureDataHeads);
      Ref head = host::get_index(entries.get(), static_cast<Py_ssize_t>(entry));
      return host::as_int64(host::get_index(head.get(), 0).get());
    }

   private:
    PyObject* self_;
  };

  std::int64_t area_start(std::size_t entry) { return directory_.area_start(entry); }

  Ref properties(std::int64_t i) { return read_properties(self(), *source_, attribute_records_.position(i)); }

  // colourSpectrum.HEX(number, fallback), fallback "#000000" or (light) "#FFFFFF".
  Ref colour(std::int32_t number, bool light = false) {
    static PyObject* const dark_text = checked(PyUnicode_InternFromString("#000000")).release();
    static PyObject* const light_text = checked(PyUnicode_InternFromString("#FFFFFF")).release();
    return colour_text(colours_.get(), integer(number).get(), light ? light_text : dark_text);
  }

  using VertexList = feature::VertexList;

  // [[x, y], ...] as host lists, or as its JSON text when the run feeds the export.
  Ref vertex_object(const VertexList& list) {
    if (json_coordinates_) {
      std::string text;
      append_vertex_text(list, text);
      return host::raw_json(std::move(text));
    }
    Ref result = checked(PyList_New(static_cast<Py_ssize_t>(list.size())));
    for (std::size_t k = 0; k < list.size(); ++k) {
      Ref vertex = checked(PyList_New(2));
      PyList_SET_ITEM(vertex.get(), 0, real(list[k].x).release());
      PyList_SET_ITEM(vertex.get(), 1, real(list[k].y).release());
      PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(k), vertex.release());
    }
    return result;
  }

  static void append_vertex_text(const VertexList& list, std::string& text) {
    text += '[';
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (k > 0) text += ", ";
      text += '[';
      host::append_json_float(list[k].x, text);
      text += ", ";
      host::append_json_float(list[k].y, text);
      text += ']';
    }
    text += ']';
  }

  // Style entries are keyed by self.StyleItems[position], read for each entry.
  class Style {
   public:
    explicit Style(PyObject* self, Py_ssize_t keys) : self_(self), dict_(host::new_dict(keys)) {}
    void put(std::size_t position, const Ref& value) {
      Ref items = host::get_attr(self_, names::StyleItems);
      Ref key = host::get_index(items.get(), static_cast<Py_ssize_t>(position));
      checked_status(PyObject_SetItem(dict_.get(), key.get(), value.get()));
    }
    Ref take() { return std::move(dict_); }

   private:
    PyObject* self_;
    Ref dict_;
  };

  Ref geometry(PyObject* type, const Ref& coordinates) {
    host::DictBuilder g;
    g.put(names::type, type);
    g.put(names::coordinates, coordinates);
    return g.take();
  }

  Ref line_feature(std::int64_t i) {
    const feature::Polyline line = walk_->line(i);
    if (line.flag != 1) return Ref();
    Ref props = properties(i);
    Ref shape = geometry(names::LineString, vertex_object(walk_->line_vertices(line, area_start(feature::kCoordinateArea))));
    Style style(self(), 10);
    style.put(0, integer(line.line_no));
    style.put(1, integer(line.sub_line_no));
    style.put(2, integer(line.line_type));
    style.put(3, real(line.width));
    style.put(4, colour(line.color));
    style.put(5, colour(line.sub_color, true));
    style.put(6, real(line.x_scale));
    style.put(7, real(line.y_scale));
    style.put(8, integer(line.layer));
    style.put(9, integer(line.transparent));
    host::DictBuilder result(6);
    result.put(names::type, names::Feature);
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, shape);
    result.put(names::style, style.take());
    result.put(names::properties, props);
    result.put(names::timeStamp, host::get_attr(self(), names::TimeStamp));
    ++valid_id_;
    return result.take();
  }

  // The text of a point: `count` bytes at the coordinate area + `offset`,
  // fewer at the end of the file; a negative count reads nothing.
  Ref point_text(const feature::PointHead& head) {
    walk_->seek_point_text(head);
    const std::string bytes = read_up_to(*source_, feature::text_width(head.string_count));
    Ref encoding = host::get_attr(self(), names::Encoding);
    return decode_text(self(), bytes, encoding.get());
  }

  Ref point_style(const feature::PointHead& head, const feature::PointSub& sub) {
    Style style(self(), 13);
    const Ref transparent = integer(head.transparent);
    if (const auto* s = std::get_if<feature::PointString>(&sub)) {
      Ref text = point_text(head);
      style.put(11, text);
      style.put(1, real(s->height));
      style.put(2, real(s->width));
      style.put(13, real(s->gap));
      style.put(3, real(s->angle));
      style.put(16, integer(s->font_chinese));
      style.put(17, integer(s->font_english));
      style.put(18, integer(s->font_style));
      style.put(21, colour(s->color));
      style.put(22, integer(s->layer));
      style.put(23, integer(s->arrangement));
    } else if (const auto* m = std::get_if<feature::PointMarker>(&sub)) {
      style.put(0, integer(m->marker));
      style.put(1, real(m->height));
      style.put(2, real(m->width));
      style.put(3, real(m->angle));
      style.put(21, colour(m->color));
      style.put(22, integer(m->layer));
    } else if (const auto* c = std::get_if<feature::PointCircle>(&sub)) {
      style.put(6, real(c->radius));
      style.put(7, colour(c->color));
      style.put(2, real(c->width));
      style.put(8, integer(c->flag));
      style.put(25, colour(c->fill_color));
      style.put(22, integer(c->layer));
    } else if (const auto* a = std::get_if<feature::PointArc>(&sub)) {
      style.put(6, real(a->radius));
      style.put(9, real(a->start_angle));
      style.put(10, real(a->end_angle));
      style.put(2, real(a->width));
      style.put(7, colour(a->color));
      style.put(22, integer(a->layer));
    } else if (const auto* image = std::get_if<feature::PointImage>(&sub)) {
      Ref file = point_text(head);
      style.put(12, file);
      style.put(1, real(image->height));
      style.put(2, real(image->width));
      style.put(3, real(image->angle));
    } else if (const auto* t = std::get_if<feature::PointText>(&sub)) {
      Ref text = point_text(head);
      style.put(11, text);
      style.put(1, real(t->height));
      style.put(2, real(t->width));
      style.put(3, real(t->angle));
      style.put(14, real(t->x_gap));
      style.put(15, real(t->y_gap));
      style.put(16, integer(t->font_chinese));
      style.put(17, integer(t->font_english));
      style.put(18, integer(t->font_style));
      style.put(19, real(t->layout_height));
      style.put(20, real(t->layout_width));
      style.put(23, integer(t->arrangement));
    } else {
      return host::none();
    }
    style.put(24, transparent);
    return style.take();
  }

  Ref point_feature(std::int64_t i) {
    const feature::PointHead head = walk_->point_head(i);
    if (head.flag != 1) return Ref();
    Ref coordinates = checked(PyList_New(2));
    PyList_SET_ITEM(coordinates.get(), 0, real(head.x).release());
    PyList_SET_ITEM(coordinates.get(), 1, real(head.y).release());
    host::DictBuilder result(7);
    result.put(names::type, names::Feature);
    result.put(names::subType, integer(head.point_type));
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, geometry(names::Point, coordinates));
    result.put(names::timeStamp, host::get_attr(self(), names::TimeStamp));

    // The sub-record lies right behind the head: read it before anything moves the file.
    const feature::PointSub sub = walk_->point_sub(head);
    result.put(names::style, point_style(head, sub));
    result.put(names::properties, properties(i));
    ++valid_id_;
    return result.take();
  }

  Ref rings_object(const std::vector<VertexList>& rings) {
    if (json_coordinates_) {
      std::string text = "[";
      for (std::size_t k = 0; k < rings.size(); ++k) {
        if (k > 0) text += ", ";
        append_vertex_text(rings[k], text);
      }
      text += ']';
      return host::raw_json(std::move(text));
    }
    Ref result = checked(PyList_New(static_cast<Py_ssize_t>(rings.size())));
    for (std::size_t k = 0; k < rings.size(); ++k) {
      PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(k), vertex_object(rings[k]).release());
    }
    return result;
  }

  Ref polygon_feature(std::int64_t i) {
    const feature::Polygon polygon = walk_->polygon(i);
    if (polygon.flag != 1) return Ref();
    const std::int64_t coordinate_start = area_start(feature::kCoordinateArea);
    const std::vector<std::int32_t> numbers = walk_->arc_numbers(polygon, coordinate_start);
    std::vector<VertexList> rings;
    try {
      rings = walk_->rings(numbers, coordinate_start);
    } catch (const feature::MissingVertex&) {
      host::raise(PyExc_IndexError, "list index out of range");
    }
    if (rings.empty()) return Ref();
    if (rings.front().empty()) host::raise(PyExc_IndexError, "list index out of range");  // a first ring without a vertex
    Ref shape = geometry(names::Polygon, rings_object(rings));
    Ref props = properties(i);
    host::DictBuilder result(6);
    result.put(names::type, names::Feature);
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, shape);
    Style style(self(), 8);
    style.put(0, colour(polygon.fill_color, true));
    style.put(1, integer(polygon.fill_pattern));
    style.put(2, real(polygon.pattern_height));
    style.put(3, real(polygon.pattern_width));
    style.put(4, integer(polygon.line_width));
    style.put(5, colour(polygon.pattern_color, true));
    style.put(6, integer(polygon.layer));
    style.put(7, integer(polygon.transparent));
    result.put(names::style, style.take());
    result.put(names::properties, props);
    result.put(names::timeStamp, host::get_attr(self(), names::TimeStamp));
    ++valid_id_;
    return result.take();
  }

  Ref self_;
  bool started_ = false;
  std::optional<host::InputFile> file_;
  std::optional<FileSource> source_;
  ObjectDirectory directory_;
  std::optional<feature::RecordWalk> walk_;
  Ref colours_;
  std::int64_t kind_ = -1;
  AttributeRecords attribute_records_;
  std::int64_t limit_ = 0;
  std::int64_t index_ = 0;
  std::int64_t valid_id_ = 0;

 public:
  // Set by the export, which alone sees the features: coordinates then go out
  // as their JSON text instead of host lists.
  bool json_coordinates_ = false;
};

}  // namespace

bool feed_export(PyObject* stream) {
  auto* run = dynamic_cast<FeatureRun*>(host::generator_body(stream));
  if (run == nullptr) return false;
  run->json_coordinates_ = true;
  return true;
}

Ref get_feature(const host::Args& args) {
  return host::make_generator(std::make_unique<FeatureRun>(args.self()), args.callable());
}

}  // namespace mapgis
