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

#include "host/kept.h"
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

// The positions of each file type's style vocabulary (StyleItems), where the
// style of a record takes its keys.
namespace line_slot {
enum : std::size_t {
  kLineNo, kSubLineNo, kLineType, kWidth, kColor, kSubColor, kXScale, kYScale, kLayer, kTransparent, kCount,
};
}  // namespace line_slot

namespace point_slot {
enum : std::size_t {
  kSubGraph, kHeight, kWidth, kAngle, kLineWidth, kLineSubColor, kRadius, kCircleColor, kFlag, kStartAngle,
  kEndAngle, kText, kFile, kGap, kXGap, kYGap, kFontChinese, kFontEnglish, kFontStyle, kLayoutHeight,
  kLayoutWidth, kColor, kLayer, kArrangement, kTransparent, kFillColor, kCount,
};
// The most entries a point's style has (string and text points).
constexpr std::size_t kMostEntries = 13;
}  // namespace point_slot

namespace polygon_slot {
enum : std::size_t {
  kFillColor, kFillPattern, kPatternHeight, kPatternWidth, kLineWidth, kPatternColor, kLayer, kTransparent, kCount,
};
}  // namespace polygon_slot

// The style vocabulary of each file type, in the order of its positions.
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

// The end of range(count) for the record loop: an int by its __index__; one
// beyond 64 bits stands as the nearest bound 64 bits hold, which the loop
// never reaches before the file ends.
std::int64_t loop_bound(PyObject* count) {
  Ref index = PyLong_CheckExact(count) ? Ref::borrow(count) : checked(PyNumber_Index(count));
  int overflow = 0;
  const long long bound = PyLong_AsLongLongAndOverflow(index.get(), &overflow);
  if (overflow != 0) return overflow > 0 ? INT64_MAX : INT64_MIN;
  if (bound == -1 && PyErr_Occurred()) host::raise_pending();
  return bound;
}

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
      Ref feature;
      try {
        feature = kind_ == kLine ? line_feature(i) : kind_ == kPoint ? point_feature(i) : polygon_feature(i);
      } catch (const OffsetOverflow&) {
        raise_offset_overflow();
      }
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
    kept_colours_.forget();
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
    Ref attribute_start =
        directory_.start_object(polygons ? feature::kPolygonAttributeArea : feature::kLinePointAttributeArea);
    attribute_records_.start(attribute_start.get(), field_size.get(), fields_length.get());

    Ref colour_class = host::module_global(names::MapGisColorLib);
    colours_ = host::call(colour_class.get(), host::get_attr(self(), names::PcolorLibFile).get());
    limit_ = loop_bound(host::get_attr(self(), names::RecordCount).get());
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
    std::int64_t area_start(std::size_t entry) override { return offset_value(start_object(entry).get()); }
    // DataStart as the entry holds it.
    Ref start_object(std::size_t entry) {
      Ref entries = host::get_attr(self_, names::_featureDataHeads);
      Ref head = host::get_index(entries.get(), static_cast<Py_ssize_t>(entry));
      return host::get_index(head.get(), 0);
    }

   private:
    PyObject* self_;
  };

  std::int64_t area_start(std::size_t entry) { return directory_.area_start(entry); }

  // The properties of feature slot i, kept as plain fields while the feature
  // may still become the export's text.
  void read_properties(std::int64_t i) {
    properties_.read(self(), *source_, attribute_records_.values_start(i), text_);
    if (!properties_.as_text()) text_ = false;
  }

  // self.TimeStamp, read for this feature.
  Ref time_stamp() {
    Ref stamp = host::get_attr(self(), names::TimeStamp);
    if (!host::plain_value(stamp.get())) text_ = false;
    return stamp;
  }

  // colourSpectrum.HEX(number, fallback), fallback "#000000" or (light) "#FFFFFF".
  Ref colour(std::int32_t number, bool light = false) {
    static PyObject* const dark_text = checked(PyUnicode_InternFromString("#000000")).release();
    static PyObject* const light_text = checked(PyUnicode_InternFromString("#FFFFFF")).release();
    PyObject* fallback = light ? light_text : dark_text;
    if (quiet_colours_ != nullptr) return quiet_colours_->text(number, fallback);
    return host::call_method(colours_.get(), names::HEX, integer(number).get(), fallback);
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
  // for each entry. While the feature may become the export's text, its entries
  // are kept as they come as long as each key is exactly a str and each value
  // plain; the first other entry makes the dictionary there and then.
  class Style {
   public:
    Style(FeatureRun& run, Py_ssize_t keys) : run_(run) {
      if (run.text_) {
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

    // The dictionary (made now from entries kept as they came).
    Ref take() {
      if (!dict_) {
        dict_ = host::new_dict(static_cast<Py_ssize_t>(entries_.size()));
        for (const Entry& e : entries_) insert(e.key, e.value);
      }
      return std::move(dict_);
    }

    // The JSON text of a style whose entries were kept.
    void write(std::string& out) {
      if (!own_keys_) {
        run_.writer_.write(take().get(), out);
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

    // Set while the values of the style come from the record and the module's
    // own colour conversions alone, which run no script code.
    bool quiet_ = false;

   private:
    // A value as the record holds it (JSON text is written from it), or the host object.
    using Value = std::variant<std::int64_t, double, Ref>;
    struct Entry {
      std::size_t position;
      Ref key;
      Value value;
    };

    static Ref object_of(const Value& value) {
      if (const auto* number = std::get_if<std::int64_t>(&value)) return integer(*number);
      if (const auto* real_value = std::get_if<double>(&value)) return real(*real_value);
      return std::get<Ref>(value);
    }

    void insert(const Ref& key, const Value& value) {
      checked_status(PyObject_SetItem(dict_.get(), key.get(), object_of(value).get()));
    }

    void put(std::size_t position, Value value) {
      Ref key = key_at(position);
      const Ref* given = std::get_if<Ref>(&value);
      const bool plain = given == nullptr || host::plain_value(given->get());
      // A value of a script's own type may run code when a later entry under
      // the same key lets it go.
      if (!plain) end_quiet();
      if (!dict_) {
        if (plain && PyUnicode_CheckExact(key.get())) {
          // The run's own names stand at their places: no two keys can be alike.
          own_keys_ = own_keys_ && key.get() == (*run_.style_items_)[position];
          entries_.push_back({position, std::move(key), std::move(value)});
          return;
        }
        run_.text_ = false;
        dict_ = take();  // the entries before this one, which no script could tell apart
      }
      insert(key, value);
    }

    // self.StyleItems[position], read for this entry. While nothing between
    // two entries can run a script's code (see quiet), the list read for the
    // first entry is the list every later read would find, unchanged.
    Ref key_at(std::size_t position) {
      Ref items = quiet_items_ ? quiet_items_ : host::get_attr(run_.self(), names::StyleItems);
      if (quiet_ && !quiet_items_) {
        if (PyList_CheckExact(items.get())) {
          quiet_items_ = items;
        } else {
          end_quiet();  // its items are a script's to answer
        }
      }
      Ref key = host::get_index(items.get(), static_cast<Py_ssize_t>(position));
      // A key of another type may run code when it is hashed.
      if (!PyUnicode_CheckExact(key.get())) end_quiet();
      return key;
    }

    // From here on every key is read and every colour converted as written.
    void end_quiet() {
      quiet_ = false;
      quiet_items_ = Ref();
      run_.quiet_colours_ = nullptr;
    }

    FeatureRun& run_;
    Ref dict_;
    bool own_keys_ = true;
    std::vector<Entry> entries_;
    Ref quiet_items_;
  };

  // While a style whose values come from the record and the module's own
  // colour conversions alone is built, no script code can run: its keys and
  // the colour library's attributes are read once for the whole style. That
  // needs StyleItems read from the object itself (no property of a script's).
  class QuietColours {
   public:
    QuietColours(FeatureRun& run, Style& style, bool candidate) : run_(run) {
      if (!candidate || !host::reads_own_attribute(run.self(), names::StyleItems)) return;
      run.quiet_colours_ = run.colour_snapshot();
      style.quiet_ = run.quiet_colours_ != nullptr;
    }
    ~QuietColours() { run_.quiet_colours_ = nullptr; }
    QuietColours(const QuietColours&) = delete;
    QuietColours& operator=(const QuietColours&) = delete;

   private:
    FeatureRun& run_;
  };

  // What HEX reads of the colour library, or null when its conversions or
  // attributes are a script's. Kept between features while the library's class
  // and its attributes carry the marks they had when it was worked out.
  const ColourSnapshot* colour_snapshot() {
    PyObject* colours = colours_.get();
    const host::Stamp now = host::Stamp().members_of(colours).attributes_of(colours);
    const ColourSnapshot* snapshot = kept_colours_.find(now);
    if (snapshot == nullptr) {
      fresh_colours_ = ColourSnapshot(colours);
      kept_colours_.keep(now, fresh_colours_);
      snapshot = &fresh_colours_;
    }
    return snapshot->valid() ? snapshot : nullptr;
  }

  // The export's JSON text of the feature, which `write` writes after "{" and
  // the type; or an empty Ref when the feature is to be made as dictionaries:
  // something in it is not plain, or a plain value the writer refuses (text
  // that UTF-8 cannot hold, an integer too long for text), which the export
  // then meets in the dictionaries as it would without this path.
  template <typename Write>
  Ref feature_text(Write&& write) {
    if (!text_) return Ref();
    std::string out;
    out.reserve(last_text_size_ + 64);
    out = "{\"type\": \"Feature\", ";
    try {
      write(out);
    } catch (const host::HostError&) {
      PyErr_Clear();  // only plain values were written: no script code ran
      return Ref();
    }
    out += '}';
    last_text_size_ = out.size();
    ++valid_id_;
    return host::raw_json(std::move(out));
  }

  // The parts of a feature's JSON text that every kind shares.
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
    properties_.write(out, writer_);
  }

  Ref geometry(PyObject* type, const Ref& coordinates) {
    host::DictBuilder g;
    g.put(names::type, type);
    g.put(names::coordinates, coordinates);
    return g.take();
  }

  // The end of a line or polygon feature once its style is built: the time
  // stamp, then the feature as JSON text or as its dictionary. `write_coordinates`
  // writes the geometry's coordinates as text, `coordinates` makes them.
  template <typename WriteCoordinates, typename Coordinates>
  Ref shape_feature(std::string_view type, PyObject* type_name, Style& style, WriteCoordinates&& write_coordinates,
                    Coordinates&& coordinates) {
    Ref stamp = time_stamp();
    Ref text = feature_text([&](std::string& out) {
      append_id(out);
      out += ", \"geometry\": {\"type\": \"";
      out += type;
      out += "\", \"coordinates\": ";
      write_coordinates(out);
      out += '}';
      append_style(out, style);
      append_properties(out);
      append_member(out, "timeStamp", stamp.get());
    });
    if (text) return text;
    host::DictBuilder result(6);
    result.put(names::type, names::Feature);
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, geometry(type_name, coordinates()));
    result.put(names::style, style.take());
    result.put(names::properties, properties_.take());
    result.put(names::timeStamp, stamp);
    ++valid_id_;
    return result.take();
  }

  Ref line_feature(std::int64_t i) {
    using namespace line_slot;
    const feature::Polyline line = walk_->line(i);
    if (line.flag != 1) return Ref();
    text_ = json_features_ && asked_by_taker();
    read_properties(i);
    const VertexList vertices = walk_->line_vertices(line, area_start(feature::kCoordinateArea));
    Style style(*this, kCount);
    {
      const QuietColours quiet(*this, style, true);
      style.put(kLineNo, std::int64_t{line.line_no});
      style.put(kSubLineNo, std::int64_t{line.sub_line_no});
      style.put(kLineType, std::int64_t{line.line_type});
      style.put(kWidth, double{line.width});
      style.put(kColor, colour(line.color));
      style.put(kSubColor, colour(line.sub_color, true));
      style.put(kXScale, double{line.x_scale});
      style.put(kYScale, double{line.y_scale});
      style.put(kLayer, std::int64_t{line.layer});
      style.put(kTransparent, std::int64_t{line.transparent});
    }
    return shape_feature(
        "LineString", names::LineString, style, [&](std::string& out) { append_vertex_text(vertices, out); },
        [&] { return vertex_object(vertices); });
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
    using namespace point_slot;
    const Ref transparent = integer(head.transparent);
    if (const auto* s = std::get_if<feature::PointString>(&sub)) {
      style.put(kText, text);
      style.put(kHeight, double{s->height});
      style.put(kWidth, double{s->width});
      style.put(kGap, double{s->gap});
      style.put(kAngle, double{s->angle});
      style.put(kFontChinese, std::int64_t{s->font_chinese});
      style.put(kFontEnglish, std::int64_t{s->font_english});
      style.put(kFontStyle, std::int64_t{s->font_style});
      style.put(kColor, colour(s->color));
      style.put(kLayer, std::int64_t{s->layer});
      style.put(kArrangement, std::int64_t{s->arrangement});
    } else if (const auto* m = std::get_if<feature::PointMarker>(&sub)) {
      style.put(kSubGraph, std::int64_t{m->marker});
      style.put(kHeight, double{m->height});
      style.put(kWidth, double{m->width});
      style.put(kAngle, double{m->angle});
      style.put(kColor, colour(m->color));
      style.put(kLayer, std::int64_t{m->layer});
    } else if (const auto* c = std::get_if<feature::PointCircle>(&sub)) {
      style.put(kRadius, double{c->radius});
      style.put(kCircleColor, colour(c->color));
      style.put(kWidth, double{c->width});
      style.put(kFlag, std::int64_t{c->flag});
      style.put(kFillColor, colour(c->fill_color));
      style.put(kLayer, std::int64_t{c->layer});
    } else if (const auto* a = std::get_if<feature::PointArc>(&sub)) {
      style.put(kRadius, double{a->radius});
      style.put(kStartAngle, double{a->start_angle});
      style.put(kEndAngle, double{a->end_angle});
      style.put(kWidth, double{a->width});
      style.put(kCircleColor, colour(a->color));
      style.put(kLayer, std::int64_t{a->layer});
    } else if (const auto* image = std::get_if<feature::PointImage>(&sub)) {
      style.put(kFile, text);
      style.put(kHeight, double{image->height});
      style.put(kWidth, double{image->width});
      style.put(kAngle, double{image->angle});
    } else if (const auto* t = std::get_if<feature::PointText>(&sub)) {
      style.put(kText, text);
      style.put(kHeight, double{t->height});
      style.put(kWidth, double{t->width});
      style.put(kAngle, double{t->angle});
      style.put(kXGap, double{t->x_gap});
      style.put(kYGap, double{t->y_gap});
      style.put(kFontChinese, std::int64_t{t->font_chinese});
      style.put(kFontEnglish, std::int64_t{t->font_english});
      style.put(kFontStyle, std::int64_t{t->font_style});
      style.put(kLayoutHeight, double{t->layout_height});
      style.put(kLayoutWidth, double{t->layout_width});
      style.put(kArrangement, std::int64_t{t->arrangement});
    } else {
      return false;
    }
    style.put(kTransparent, transparent);
    return true;
  }

  Ref point_feature(std::int64_t i) {
    const feature::PointHead head = walk_->point_head(i);
    if (head.flag != 1) return Ref();
    text_ = json_features_ && asked_by_taker();
    Ref stamp = time_stamp();
    // The sub-record lies right behind the head: read it before anything moves the file.
    const feature::PointSub sub = walk_->point_sub(head);
    // The text (string, image and text points) is the first thing the style
    // reads; it goes through bytesToStr and a codec, which a script may provide,
    // so it is read before the rest of the style is built quietly.
    const bool has_text = std::holds_alternative<feature::PointString>(sub) ||
                          std::holds_alternative<feature::PointImage>(sub) ||
                          std::holds_alternative<feature::PointText>(sub);
    const Ref text = has_text ? point_text(head) : Ref();
    Style style(*this, point_slot::kMostEntries);
    const bool styled = [&] {
      const QuietColours quiet(*this, style, true);
      return point_style(head, sub, text, style);
    }();
    read_properties(i);
    Ref feature = feature_text([&](std::string& out) {
      out += "\"subType\": ";
      host::append_json_integer(head.point_type, out);
      out += ", ";
      append_id(out);
      out += ", \"geometry\": {\"type\": \"Point\", \"coordinates\": [";
      host::append_json_float(head.x, out);
      out += ", ";
      host::append_json_float(head.y, out);
      out += "]}";
      append_member(out, "timeStamp", stamp.get());
      if (styled) {
        append_style(out, style);
      } else {
        out += ", \"style\": null";
      }
      append_properties(out);
    });
    if (feature) return feature;
    Ref coordinates = checked(PyList_New(2));
    PyList_SET_ITEM(coordinates.get(), 0, real(head.x).release());
    PyList_SET_ITEM(coordinates.get(), 1, real(head.y).release());
    host::DictBuilder result(7);
    result.put(names::type, names::Feature);
    result.put(names::subType, integer(head.point_type));
    result.put(names::id, integer(valid_id_));
    result.put(names::geometry, geometry(names::Point, coordinates));
    result.put(names::timeStamp, stamp);
    result.put(names::style, styled ? style.take() : host::none());
    result.put(names::properties, properties_.take());
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
    using namespace polygon_slot;
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
    text_ = json_features_ && asked_by_taker();
    read_properties(i);
    Style style(*this, kCount);
    {
      const QuietColours quiet(*this, style, true);
      style.put(kFillColor, colour(polygon.fill_color, true));
      style.put(kFillPattern, std::int64_t{polygon.fill_pattern});
      style.put(kPatternHeight, double{polygon.pattern_height});
      style.put(kPatternWidth, double{polygon.pattern_width});
      style.put(kLineWidth, std::int64_t{polygon.line_width});
      style.put(kPatternColor, colour(polygon.pattern_color, true));
      style.put(kLayer, std::int64_t{polygon.layer});
      style.put(kTransparent, std::int64_t{polygon.transparent});
    }
    const auto write_rings = [&](std::string& out) {
      out += '[';
      for (std::size_t k = 0; k < rings.size(); ++k) {
        if (k > 0) out += ", ";
        append_vertex_text(rings[k], out);
      }
      out += ']';
    };
    return shape_feature("Polygon", names::Polygon, style, write_rings, [&] { return rings_object(rings); });
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
  RecordProperties properties_;
  host::JsonWriter writer_;
  std::vector<std::string> style_key_texts_;  // "name": of each style name, as JSON writes it
  std::size_t last_text_size_ = 0;
  host::Kept<ColourSnapshot> kept_colours_;
  ColourSnapshot fresh_colours_;  // worked out for the style being built
  const ColourSnapshot* quiet_colours_ = nullptr;  // set while a quiet style is built
  std::int64_t limit_ = 0;
  std::int64_t index_ = 0;
  std::int64_t valid_id_ = 0;
  // Whether the feature being made may still become the export's text.
  bool text_ = false;

 public:
  // Set by the export, which alone holds the stream: each feature it asks
  // for itself then comes, where no script could tell the difference, as the
  // JSON text that the export would write of its dictionary (properties
  // reduced to their values). One that a script asks for comes as usual.
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
