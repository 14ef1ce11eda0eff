// MapGisProject: the header and the file list of a MapGIS project file (MPJ).
//
// One sequential pass: the header, then one record per listed file, each read
// whole before it is decoded. Text fields and one-byte codes are decoded by
// the object's own bytesToStr and bytesInteger, so a subclass can change them.
#include "host/file.h"
#include "mapgis/names.h"
#include "host/ops.h"
#include "mapgis/classes.h"
#include "mapgis/decoder.h"
#include "mapgis/project_file.h"

#include <vector>

namespace mapgis {

using host::Args;
using host::checked;
using host::checked_status;
using host::Ref;

namespace {

using host::DictBuilder;

Ref type_name_of(PyObject* code) {
  const long long known = host::first_equal(code, 0, 2);
  return host::text(project::type_name(known < 0 ? 3 : static_cast<std::uint64_t>(known)));
}

Ref description_of(const project::Header& h, const Ref& identification, const Decoder& decode, PyObject* file) {
  DictBuilder d;
  d.put(names::identification, identification);
  d.put(names::typeCode, static_cast<long long>(h.type_code));
  d.put(names::files, static_cast<long long>(h.files));
  d.put(names::title, decode.text(h.title));
  d.put(names::environment, decode.text(h.environment));
  d.put(names::layoutWidth, h.layout_width);
  d.put(names::layoutHeight, h.layout_height);
  d.put(names::layoutRotate, h.layout_rotate);
  d.put(names::layoutXoffset, h.layout_x_offset);
  d.put(names::layoutYoffset, h.layout_y_offset);
  d.put(names::layoutXscale, h.layout_x_scale);
  d.put(names::layoutYscale, h.layout_y_scale);
  d.put(names::xMin, h.x_min);
  d.put(names::yMin, h.y_min);
  d.put(names::xMax, h.x_max);
  d.put(names::yMax, h.y_max);
  d.put(names::sourceFile, Ref::borrow(file));
  return d.take();
}

Ref entry_of(const project::Entry& e, const Decoder& decode) {
  DictBuilder d;
  d.put(names::type, type_name_of(decode.code(e.type).get()));
  d.put(names::statusCode, decode.code(e.status_code));
  d.put(names::file, decode.text(e.file));
  d.put(names::description, decode.text(e.description));
  d.put(names::xmin, e.x_min);
  d.put(names::ymin, e.y_min);
  d.put(names::xmax, e.x_max);
  d.put(names::ymax, e.y_max);
  d.put(names::userType, decode.code(e.user_type));
  d.put(names::groupCode, decode.code(e.group_code));
  d.put(names::netWorkData, decode.text(e.net_work_data));
  d.put(names::scaleMin, e.scale_min);
  d.put(names::scaleMax, e.scale_max);
  d.put(names::labelFlag, decode.code(e.label_flag));
  d.put(names::labelFields, decode.text(e.label_fields));
  d.put(names::labelHeight, static_cast<double>(e.label_height));
  d.put(names::labelColor, static_cast<long long>(e.label_color));
  d.put(names::labelFont, decode.code(e.label_font));
  d.put(names::legendType, decode.code(e.legend_type));
  return d.take();
}

// self.Files.append(entry): the list the object holds now (a helper of a
// script's may have replaced it).
void append_file(PyObject* self, PyObject* entry) {
  Ref held = host::get_attr(self, names::Files);
  if (PyList_CheckExact(held.get())) {
    checked_status(PyList_Append(held.get(), entry));
  } else {
    host::call_method(held.get(), names::append, entry);
  }
}

// Reads exactly the layout's size, or raises the host's struct error.
void read_record(host::InputFile& input, std::vector<unsigned char>& bytes) {
  if (input.read(bytes.data(), bytes.size()) != bytes.size()) host::raise_short_record(bytes.size());
}

Ref construct(const Args& args) {
  host::init_base(args);
  PyObject* self = args.self();
  PyObject* file = args[0];
  PyObject* encoding = args[1];
  host::set_attr(self, names::Description, Py_None);
  host::set_attr(self, names::Files, Py_None);
  if (!host::is_regular_file(file)) return host::none();

  host::InputFile input(file);
  const Decoder decode(self, encoding);
  std::vector<unsigned char> head(project::head_layout().size());
  read_record(input, head);
  const project::Header header = project::parse_header(head.data());
  Ref identification = decode.text(header.identification);
  Ref expected = host::text(project::kIdentification);
  const bool identified = checked_status(PyObject_RichCompareBool(identification.get(), expected.get(), Py_EQ)) != 0;
  if (!identified || header.type_code != project::kTypeCode) {
    host::raise_text(PyExc_Exception, host::concat_format("[", file, "] format invalid."));
  }
  Ref description = description_of(header, identification, decode, file);
  host::set_attr(self, names::Description, description.get());

  Ref files = checked(PyList_New(0));
  host::set_attr(self, names::Files, files.get());
  std::vector<unsigned char> body(project::body_layout().size());
  for (int k = 0; k < header.files; ++k) {
    read_record(input, body);
    Ref entry = entry_of(project::parse_entry(body.data()), decode);
    append_file(self, entry.get());
  }
  return host::none();
}

}  // namespace

const host::ClassSpec& project_class() {
  using host::param;
  static const host::ClassSpec spec{
      .name = "MapGisProject",
      .base = "KestrinBase",
      .doc = "MapGIS 工程文件（MPJ）读取器。\n"
             "\n"
             "示例：\n"
             "    project = MapGisProject('工程.MPJ')\n"
             "    print(project.Description)   # 工程头信息\n"
             "    print(project.Files)         # 工程中的文件列表\n",
      .members = {
          host::Constant{.name = "__ProjectHead", .text = project::kHeadLayout},
          host::Constant{.name = "__ProjectBody", .text = project::kBodyLayout},
          host::Method{
              .name = "__init__",
              .params = {param("file", "str").exactly(&PyUnicode_Type),
                         param("encoding", "str").exactly(&PyUnicode_Type).defaults_to(host::text_default("GB2312"))},
              .doc = "读取 MPJ 工程文件：工程头放入 Description，文件列表放入 Files。",
              .body = construct,
          },
      },
  };
  return spec;
}

}  // namespace mapgis
