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
#include <variant>

#include "host/class_version.h"
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
    colour_snapshot_.reset();
    quiet_colours_ = nullptr;
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
    style_items_ = kind_ == kLine ? &line_style_items() : kind_ == kPoint ? &point_style_items()
                                                                           : &polygon_style_items();
    host::set_attr(self(), names::StyleItems, new_list(*style_items_).get());
    for (PyObject* name : *style_items_) {
      std::string key;
      writer_.write(name, key);
      style_key_texts_.push_back(key + ": ");
    }
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
  void flat_properties(std::int64_t i) { flat_properties_.read(self(), *source_, attribute_records_.position(i)); }

  // colourSpectrum.HEX(number, fallback), fallback "#000000" or (light) "#FFFFFF".
  Ref colour(std::int32_t number, bool light = false) {
    static PyObject* const dark_text = checked(PyUnicode_InternFromString("#000000")).release();
    static PyObject* const light_text = checked(PyUnicode_InternFromString("#FFFFFF")).release();
    PyObject* fallback = light ? light_text : dark_text;
    if (quiet_colours_ != nullptr) return quiet_colours_->text(number, fallback);
    return colour_text(colours_.get(), integer(number).get(), fallback);
  }

  using VertexList = feature::VertexList;

  // [[x, y], ...] as host lists.
  Ref vertex_object(const VertexList& list) {
    Ref result = checked(PyList_New(static_cast<Py_ssize_t>(list.size())));
    for (std::size_t k = 0; k < list.size(); ++k) {
      Ref vertex = checked(PyList_New(2));
      PyList_SET_ITEM(vertex.get(), 0, real(list[k].x).release());
      PyList_SET_ITEM(vertex.get(), 1, real(list[k].y).release());
      PyList_SET_ITEM(result.get(), static_cast<Py_ssize_t>(k), vertex.release());
    }
    return result;
  }

  // [[x, y], ...] as JSON writes it, straight into room made for the longest text.
  static void append_vertex_text(const VertexList& list, std::string& text) {
    const std::size_t start = text.size();
    text.resize(start + 2 + list.size() * (2 * host::kJsonFloatSize + 6));
    char* p = text.data() + start;
    *p++ = '[';
    for (std::size_t k = 0; k < list.size(); ++k) {
      if (k > 0) p = std::copy_n(", ", 2, p);
      *p++ = '[';
      p = host::write_json_float(list[k].x, p);
      p = std::copy_n(", ", 2, p);
      p = host::write_json_float(list[k].y, p);
      *p++ = ']';
    }
    *p++ = ']';
    text.resize(static_cast<std::size_t>(p - text.data()));
  }

  // A feature's style: a dictionary keyed by self.StyleItems[position], read
  // for each entry; or, when the run feeds the export, the JSON text of that
  // dictionary.
  class Style {
   public:
    Style(FeatureRun& run, Py_ssize_t keys) : run_(run) {
      if (run.json_features_) {
        entries_.reserve(static_cast<std::size_t>(keys));
      } else {
        dict_ = host::new_dict(keys);
      }
    }
    void put(std::size_t position, Ref value) { put(position, Value{std::move(value)}); }
    void put(std::size_t position, std::int64_t value) {
      put(position, dict_ ? Value{integer(value)} : Value{value});
    }
    void put(std::size_t position, double value) { put(position, dict_ ? Value{real(value)} : Value{value}); }
    Ref take() { return std::move(dict_); }
    void write(std::string& out) {
      if (!own_keys_) {
        Ref dict = checked(PyDict_New());
        for (const Entry& e : entries_) checked_status(PyObject_SetItem(dict.get(), e.key.get(), object(e.value).get()));
        run_.writer_.write(dict.get(), out);
        return;
      }
      out += '{';
      for (std::size_t k = 0; k < entries_.size(); ++k) {
        if (k > 0) out += ", ";
        out += run_.style_key_texts_[entries_[k].position];
        const Value& value = entries_[k].value;
        if (const auto* number = std::get_if<std::int64_t>(&value)) {
          host::append_json_integer(*number, out);
        } else if (const auto* real_value = std::get_if<double>(&value)) {
          host::append_json_float(*real_value, out);
        } else {
          run_.writer_.write(std::get<Ref>(value).get(), out);
        }
      }
      out += '}';
    }

   private:
    // A value as the record holds it (JSON text is written from it), or the host object.
    using Value = std::variant<std::int64_t, double, Ref>;
    struct Entry {
      std::size_t position;
      Ref key;
      Value value;
    };

    static Ref object(const Value& value) {
      if (const auto* number = std::get_if<std::int64_t>(&value)) return integer(*number);
      if (const auto* real_value = std::get_if<double>(&value)) return real(*real_value);
      return std::get<Ref>(value);
    }

    void put(std::size_t position, Value value) {
      Ref key = key_at(position);
      if (dict_) {
        checked_status(PyObject_SetItem(dict_.get(), key.get(), object(value).get()));
        return;
      }
      // The run's own names stand at their places: no two keys can be alike.
      own_keys_ = own_keys_ && key.get() == (*run_.style_items_)[position];
      entries_.push_back({position, std::move(key), std::move(value)});
    }

    // self.StyleItems[position], read for this entry. While nothing between
    // two entries can run a script's code (see quiet), the list read for the
    // first entry is the list every later read would find, unchanged.
    Ref key_at(std::size_t position) {
      Ref items = quiet_items_ ? quiet_items_ : host::get_attr(run_.self(), names::StyleItems);
      if (quiet_ && !quiet_items_ && PyList_CheckExact(items.get())) quiet_items_ = items;
      Ref key = host::get_index(items.get(), static_cast<Py_ssize_t>(position));
      // A key of another type may run code when it is hashed.
      if (!PyUnicode_CheckExact(key.get())) quiet_ = false, quiet_items_ = Ref();
      return key;
    }

    FeatureRun& run_;
    Ref dict_;
    bool own_keys_ = true;
    std::vector<Entry> entries_;

   public:
    // Set while the values of the style come from the record and the module's
    // own colour conversions alone, which run no script code.
    bool quiet_ = false;

   private:
    Ref quiet_items_;
  };

  // While a style whose values come from the record and the module's own
  // colour conversions alone is built, no script code can run: its keys and
  // the colour library's attributes are read once for the whole style.
  class QuietColours {
   public:
    QuietColours(FeatureRun& run, Style& style, bool candidate) : run_(run) {
      if (!candidate) return;
      run.quiet_colours_ = run.colour_snapshot();
      style.quiet_ = run.quiet_colours_ != nullptr;
    }
    ~QuietColours() { run_.quiet_colours_ = nullptr; }
    QuietColours(const QuietColours&) = delete;
    QuietColours& operator=(const QuietColours&) = delete;

   private:
    FeatureRun& run_;
  };

  // The colour library's conversions and attributes as last looked at, or null
  // when they are a script's. The library is the run's own object, which no
  // script holds (its one reference is the run's): while its class is not
  // changed, what HEX reads stays the same.
  const ColourSnapshot* colour_snapshot() {
    PyObject* colours = colours_.get();
    if (Py_REFCNT(colours) != 1 || !colour_snapshot_version_.holds(colours)) {
      const host::ClassVersion version = host::ClassVersion::of(colours);
      colour_snapshot_.emplace(colours);
      colour_snapshot_version_.keep(Py_REFCNT(colours) == 1 ? version : host::ClassVersion{});
    }
    return colour_snapshot_->valid() ? &*colour_snapshot_ : nullptr;
  }

  // The parts of a feature's JSON text that every kind shares.
  void open_feature(std::string& out) {
    out.reserve(last_text_size_ + 64);
    out = "{\"type\": \"Feature\", ";
  }
  Ref finish_feature(std::string& out) {
    out += '}';
    last_text_size_ = out.size();
    ++valid_id_;
    return host::raw_json(std::move(out));
  }
  void append_id(std::string& out) {
    out += "\"id\": ";
    host::append_json_integer(valid_id_, out);
  }
  void append_member(std::string& out, const char* key, PyObject* value) {
    out += ", \"";
    out += key;
    out += "\": ";
    writer_.write(value, out);
  }
  void append_style(std::string& out, Style& style) {
    out += ", \"style\": ";
    style.write(out);
  }
  void append_properties(std::string& out) {
    out += ", \"properties\": ";
    flat_properties_.write(out, writer_);
  }

  Ref geometry(PyObject* type, const Ref& coordinates) {
    host::DictBuilder g;
    g.put(names::type, type);
    g.put(names::coordinates, coordinates);
    return g.take();
  }

  // The rest of a line or polygon feature after its geometry: style,
  // properties and time stamp, as JSON text or as the feature dictionary.
  Ref finish_shape_text(std::string& text, Style& style, PyObject* time_stamp) {
    append_style(text, style);
    append_properties(text);
    append_member(text, "timeStamp", time_stamp);
    return finish_feature(text);
  }
  Ref shape_feature(const Ref& shape, Style& style, const Ref& props, const Ref& time_stamp) {
    host::DictBuilder result(6);
    result.put(names::type, names::Feature);
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, shape);
    result.put(names::style, style.take());
    result.put(names::properties, props);
    result.put(names::timeStamp, time_stamp);
    ++valid_id_;
    return result.take();
  }

  Ref line_feature(std::int64_t i) {
    const feature::Polyline line = walk_->line(i);
    if (line.flag != 1) return Ref();
    Ref props;
    if (json_features_) {
      flat_properties(i);
    } else {
      props = properties(i);
    }
    const VertexList vertices = walk_->line_vertices(line, area_start(feature::kCoordinateArea));
    Ref shape = json_features_ ? Ref() : geometry(names::LineString, vertex_object(vertices));
    Style style(*this, 10);
    const QuietColours quiet(*this, style, true);
    style.put(0, std::int64_t{line.line_no});
    style.put(1, std::int64_t{line.sub_line_no});
    style.put(2, std::int64_t{line.line_type});
    style.put(3, double{line.width});
    style.put(4, colour(line.color));
    style.put(5, colour(line.sub_color, true));
    style.put(6, double{line.x_scale});
    style.put(7, double{line.y_scale});
    style.put(8, std::int64_t{line.layer});
    style.put(9, std::int64_t{line.transparent});
    Ref time_stamp = host::get_attr(self(), names::TimeStamp);
    if (json_features_) {
      std::string text;
      open_feature(text);
      append_id(text);
      text += ", \"geometry\": {\"type\": \"LineString\", \"coordinates\": ";
      append_vertex_text(vertices, text);
      text += '}';
      return finish_shape_text(text, style, time_stamp.get());
    }
    return shape_feature(shape, style, props, time_stamp);
  }

  // The text of a point: `count` bytes at the coordinate area + `offset`,
  // fewer at the end of the file; a negative count reads nothing.
  Ref point_text(const feature::PointHead& head) {
    walk_->seek_point_text(head);
    const std::string bytes = read_up_to(*source_, feature::text_width(head.string_count));
    Ref encoding = host::get_attr(self(), names::Encoding);
    return decode_text(self(), bytes, encoding.get());
  }

  // The style of a point into `style`, with the point's text already read for
  // the types that have one; false (the style is None) for a type outside 0 to 5.
  bool point_style(const feature::PointHead& head, const feature::PointSub& sub, const Ref& text, Style& style) {
    const Ref transparent = integer(head.transparent);
    if (const auto* s = std::get_if<feature::PointString>(&sub)) {
      style.put(11, text);
      style.put(1, double{s->height});
      style.put(2, double{s->width});
      style.put(13, double{s->gap});
      style.put(3, double{s->angle});
      style.put(16, std::int64_t{s->font_chinese});
      style.put(17, std::int64_t{s->font_english});
      style.put(18, std::int64_t{s->font_style});
      style.put(21, colour(s->color));
      style.put(22, std::int64_t{s->layer});
      style.put(23, std::int64_t{s->arrangement});
    } else if (const auto* m = std::get_if<feature::PointMarker>(&sub)) {
      style.put(0, std::int64_t{m->marker});
      style.put(1, double{m->height});
      style.put(2, double{m->width});
      style.put(3, double{m->angle});
      style.put(21, colour(m->color));
      style.put(22, std::int64_t{m->layer});
    } else if (const auto* c = std::get_if<feature::PointCircle>(&sub)) {
      style.put(6, double{c->radius});
      style.put(7, colour(c->color));
      style.put(2, double{c->width});
      style.put(8, std::int64_t{c->flag});
      style.put(25, colour(c->fill_color));
      style.put(22, std::int64_t{c->layer});
    } else if (const auto* a = std::get_if<feature::PointArc>(&sub)) {
      style.put(6, double{a->radius});
      style.put(9, double{a->start_angle});
      style.put(10, double{a->end_angle});
      style.put(2, double{a->width});
      style.put(7, colour(a->color));
      style.put(22, std::int64_t{a->layer});
    } else if (const auto* image = std::get_if<feature::PointImage>(&sub)) {
      style.put(12, text);
      style.put(1, double{image->height});
      style.put(2, double{image->width});
      style.put(3, double{image->angle});
    } else if (const auto* t = std::get_if<feature::PointText>(&sub)) {
      style.put(11, text);
      style.put(1, double{t->height});
      style.put(2, double{t->width});
      style.put(3, double{t->angle});
      style.put(14, double{t->x_gap});
      style.put(15, double{t->y_gap});
      style.put(16, std::int64_t{t->font_chinese});
      style.put(17, std::int64_t{t->font_english});
      style.put(18, std::int64_t{t->font_style});
      style.put(19, double{t->layout_height});
      style.put(20, double{t->layout_width});
      style.put(23, std::int64_t{t->arrangement});
    } else {
      return false;
    }
    style.put(24, transparent);
    return true;
  }

  Ref point_feature(std::int64_t i) {
    const feature::PointHead head = walk_->point_head(i);
    if (head.flag != 1) return Ref();
    Ref time_stamp = host::get_attr(self(), names::TimeStamp);
    // The sub-record lies right behind the head: read it before anything moves the file.
    const feature::PointSub sub = walk_->point_sub(head);
    // The text (string, image and text points) is the first thing the style
    // reads; it goes through bytesToStr and a codec, which a script may provide,
    // so it is read before the rest of the style is built quietly.
    const bool has_text = std::holds_alternative<feature::PointString>(sub) ||
                          std::holds_alternative<feature::PointImage>(sub) ||
                          std::holds_alternative<feature::PointText>(sub);
    const Ref text = has_text ? point_text(head) : Ref();
    Style style(*this, 13);
    const bool styled = [&] {
      const QuietColours quiet(*this, style, true);
      return point_style(head, sub, text, style);
    }();
    if (json_features_) {
      flat_properties(i);
      std::string text;
      open_feature(text);
      text += "\"subType\": ";
      host::append_json_integer(head.point_type, text);
      text += ", ";
      append_id(text);
      text += ", \"geometry\": {\"type\": \"Point\", \"coordinates\": [";
      host::append_json_float(head.x, text);
      text += ", ";
      host::append_json_float(head.y, text);
      text += "]}";
      append_member(text, "timeStamp", time_stamp.get());
      if (styled) {
        append_style(text, style);
      } else {
        text += ", \"style\": null";
      }
      append_properties(text);
      return finish_feature(text);
    }
    Ref coordinates = checked(PyList_New(2));
    PyList_SET_ITEM(coordinates.get(), 0, real(head.x).release());
    PyList_SET_ITEM(coordinates.get(), 1, real(head.y).release());
    host::DictBuilder result(7);
    result.put(names::type, names::Feature);
    result.put(names::subType, integer(head.point_type));
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, geometry(names::Point, coordinates));
    result.put(names::timeStamp, time_stamp);
    result.put(names::style, styled ? style.take() : host::none());
    result.put(names::properties, properties(i));
    ++valid_id_;
    return result.take();
  }

  Ref rings_object(const std::vector<VertexList>& rings) {
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
    Ref shape = json_features_ ? Ref() : geometry(names::Polygon, rings_object(rings));
    Ref props;
    if (json_features_) {
      flat_properties(i);
    } else {
      props = properties(i);
    }
    Style style(*this, 8);
    const QuietColours quiet(*this, style, true);
    style.put(0, colour(polygon.fill_color, true));
    style.put(1, std::int64_t{polygon.fill_pattern});
    style.put(2, double{polygon.pattern_height});
    style.put(3, double{polygon.pattern_width});
    style.put(4, std::int64_t{polygon.line_width});
    style.put(5, colour(polygon.pattern_color, true));
    style.put(6, std::int64_t{polygon.layer});
    style.put(7, std::int64_t{polygon.transparent});
    Ref time_stamp = host::get_attr(self(), names::TimeStamp);
    if (json_features_) {
      std::string text;
      open_feature(text);
      append_id(text);
      text += ", \"geometry\": {\"type\": \"Polygon\", \"coordinates\": [";
      for (std::size_t k = 0; k < rings.size(); ++k) {
        if (k > 0) text += ", ";
        append_vertex_text(rings[k], text);
      }
      text += "]}";
      return finish_shape_text(text, style, time_stamp.get());
    }
    return shape_feature(shape, style, props, time_stamp);
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
  const std::vector<PyObject*>* style_items_ = nullptr;
  FlatProperties flat_properties_;
  host::JsonWriter writer_;
  std::vector<std::string> style_key_texts_;
  std::size_t last_text_size_ = 0;
  std::optional<ColourSnapshot> colour_snapshot_;
  host::KnownVersion colour_snapshot_version_;
  const ColourSnapshot* quiet_colours_ = nullptr;  // set while a quiet style is built  // "name": of each style name, as JSON writes it
  std::int64_t limit_ = 0;
  std::int64_t index_ = 0;
  std::int64_t valid_id_ = 0;

 public:
  // Set by the export, which alone sees the features: each then comes as the
  // JSON text that the export would write of its dictionary (properties
  // reduced to their values), and no dictionary is made.
  bool json_features_ = false;
};

}  // namespace

bool feed_export(PyObject* stream) {
  auto* run = dynamic_cast<FeatureRun*>(host::generator_body(stream));
  if (run == nullptr) return false;
  run->json_features_ = true;
  return true;
}

Ref get_feature(const host::Args& args) {
  return host::make_generator(std::make_unique<FeatureRun>(args.self()), args.callable());
}

}  // namespace mapgis
