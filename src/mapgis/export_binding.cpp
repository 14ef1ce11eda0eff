// saveAsGeoJson(fileName): the file's summary and every feature of the stream
// as one GeoJSON text, publishing `progress` before each feature is written.
//
// It holds one feature at a time. The summary, the stream and the messages are
// reached through the object, so a subclass can replace any of them.
#include <string>

#include "host/file.h"
#include "host/generator.h"
#include "host/json_writer.h"
#include "mapgis/names.h"
#include "host/ops.h"
#include "mapgis/feature_stream.h"

namespace mapgis {

using host::checked;
using host::checked_status;
using host::Ref;

namespace {

// The members of the summary's JSON text: re.search(r"[\s]*{([\s\S]+)}[\s]*",
// text, re.MULTILINE).group(1), through the host's own re.
std::string summary_members(PyObject* summary, host::JsonWriter& writer) {
  std::string text;
  writer.write(summary, text);
  Ref json_text = checked(PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "strict"));
  Ref re = host::import_module("re");
  Ref search = checked(PyObject_GetAttrString(re.get(), "search"));
  Ref multiline = checked(PyObject_GetAttrString(re.get(), "MULTILINE"));
  Ref pattern = host::text("[\\s]*{([\\s\\S]+)}[\\s]*");
  Ref match = host::call(search.get(), pattern.get(), json_text.get(), multiline.get());
  Ref group = host::call_method(match.get(), checked(PyUnicode_InternFromString("group")).get(),
                                checked(PyLong_FromLong(1)).get());
  return std::string(host::utf8(group.get()));
}

// feature['properties'] = {name: property['value'] for name, property in feature['properties'].items()},
// walking the items as that comprehension does (a change of the dictionary on the way is an error).
void flatten_properties(PyObject* feature) {
  Ref properties = host::get_item(feature, names::properties);
  Ref flat = checked(PyDict_New());
  Ref items = host::call_method(properties.get(), names::items);
  Ref iterator = checked(PyObject_GetIter(items.get()));
  while (Ref pair = Ref::steal(PyIter_Next(iterator.get()))) {
    Ref parts[2];
    host::unpack(pair.get(), 2, parts);
    checked_status(PyObject_SetItem(flat.get(), parts[0].get(), host::get_item(parts[1].get(), names::value).get()));
  }
  if (PyErr_Occurred()) host::raise_pending();
  checked_status(PyObject_SetItem(feature, names::properties, flat.get()));
}

void write_features(PyObject* self, host::OutputFile& out, host::JsonWriter& writer) {
  Ref stream = host::call_method(self, names::getFeature);
  // The module's own stream, held by nothing else: the features it asks for
  // come as JSON text (iter() of it is itself).
  const bool fed = feed_export(stream.get());
  Ref iterator = fed ? stream : checked(PyObject_GetIter(stream.get()));
  long long pointer = 0;
  std::string text;
  auto next_feature = [&] {
    return Ref::steal(fed ? host::taken_next(iterator.get()) : PyIter_Next(iterator.get()));
  };
  while (Ref feature = next_feature()) {
    // self.publish('progress', {'index': pointer, 'count': self.FeatureCount}),
    // self.publish found first, as the call evaluates it.
    Ref publish = host::get_attr(self, names::publish);
    Ref index = checked(PyLong_FromLongLong(pointer));
    host::DictBuilder progress(2);
    progress.put(names::index, index);
    progress.put(names::count, host::get_attr(self, names::FeatureCount));
    host::call(publish.get(), names::progress, progress.get());
    ++pointer;
    if (pointer > 1) out.write(",");
    if (const std::string* ready = host::raw_json_text(feature.get())) {
      out.write(*ready);
      continue;
    }
    flatten_properties(feature.get());
    text.clear();
    writer.write(feature.get(), text);
    out.write(text);
  }
  if (PyErr_Occurred()) host::raise_pending();
}

}  // namespace

Ref save_as_geojson(const host::Args& args) {
  PyObject* self = args.self();
  host::OutputFile out(args[0]);
  host::JsonWriter writer;
  out.write("{");
  Ref summary = host::call_method(self, names::getCapabilities);
  out.write(summary_members(summary.get(), writer));
  out.write(",\"features\":[");
  try {
    write_features(self, out, writer);
  } catch (const host::HostError&) {
    // The text is closed whatever happened to the features; the error goes on.
    PyObject* error = PyErr_GetRaisedException();
    out.write("]}");
    try {
      out.close();
    } catch (const host::HostError&) {
      PyErr_Clear();
    }
    PyErr_SetRaisedException(error);
    throw;
  }
  out.write("]}");
  out.close();
  return host::none();
}

}  // namespace mapgis
