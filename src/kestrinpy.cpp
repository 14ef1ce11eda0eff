// The module unit: the init function, the create and execute steps of the host's
// multi-phase initialisation, and the creation of the classes in their order.
//
// The module is loaded once per process and into one interpreter only: later
// loads hand back the first module object, whose top-level code never runs twice.
#include "core/classes.h"
#include "geometry/classes.h"
#include "host/generator.h"
#include "host/module.h"
#include "host/names.h"
#include "host/ops.h"
#include "mapgis/classes.h"
#include "mapgrid/classes.h"
#include "projection/classes.h"

namespace {

using host::checked;
using host::checked_status;
using host::Ref;

constexpr const char* kVersion = "2025.9.10";
constexpr const char* kQualifiedName = "src.kestrinpy";
constexpr int kBuiltMajor = 3;
constexpr int kBuiltMinor = 12;

constexpr const char* kModuleDoc =
    "kestrinpy：面向中国数据的测绘与 GIS 工具包。\n"
    "\n"
    "    Messenger       消息订阅与发布\n"
    "    MapGisProject   MapGIS 工程文件（MPJ）读取\n"
    "    MapGisColorLib  MapGIS 颜色库读取，颜色号转换为 CMYK、RGB\n"
    "    MapGisFile      MapGIS 点、线、面文件读取\n"
    "    Projection      轻量级坐标投影\n"
    "    MapGrid         地形图分幅网格与图幅编号\n"
    "    Geometry        几何对象的加载、编码、转换与序列化\n";

constexpr const char* kPublicNames[] = {"Messenger",  "MapGisProject", "MapGisColorLib", "MapGisFile",
                                        "Projection", "MapGrid",       "Geometry"};

// Process-wide state: the interpreter of the first load and the module object.
PY_INT64_T g_interpreter = -1;
PyObject* g_module = nullptr;

void check_interpreter() {
  const PY_INT64_T current = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (current == -1) host::raise_pending();
  if (g_interpreter == -1) {
    g_interpreter = current;
  } else if (g_interpreter != current) {
    host::raise(PyExc_ImportError,
                "Interpreter change detected - this module can only be loaded into one interpreter per process.");
  }
}

// Copies spec.<from> into the module dictionary as <to>; a missing entry is skipped.
void copy_spec_entry(PyObject* spec, PyObject* dict, const char* from, const char* to, bool none_allowed) {
  PyObject* value = PyObject_GetAttrString(spec, from);
  if (value == nullptr) {
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) host::raise_pending();
    PyErr_Clear();
    return;
  }
  Ref owned = Ref::steal(value);
  if (none_allowed || value != Py_None) checked_status(PyDict_SetItemString(dict, to, value));
}

PyObject* create_module(PyObject* spec, PyModuleDef*) {
  return host::guarded<PyObject*>(nullptr, [&] {
    check_interpreter();
    if (g_module != nullptr) return Py_NewRef(g_module);
    Ref name = checked(PyObject_GetAttrString(spec, "name"));
    Ref module = checked(PyModule_NewObject(name.get()));
    PyObject* dict = PyModule_GetDict(module.get());
    // Set here rather than in the definition, so a re-import keeps a changed __doc__.
    checked_status(PyDict_SetItemString(dict, "__doc__", host::text(kModuleDoc).get()));
    copy_spec_entry(spec, dict, "loader", "__loader__", true);
    copy_spec_entry(spec, dict, "origin", "__file__", true);
    copy_spec_entry(spec, dict, "parent", "__package__", true);
    copy_spec_entry(spec, dict, "submodule_search_locations", "__path__", false);
    // As in a module run by the host: the dataclass decorator execs its methods
    // in this namespace, which would otherwise gain __builtins__ among the classes.
    checked_status(PyDict_SetItemString(dict, "__builtins__", PyEval_GetBuiltins()));
    return module.release();
  });
}

void warn_on_version_mismatch() {
  const int major = static_cast<int>((Py_Version >> 24) & 0xFF);
  const int minor = static_cast<int>((Py_Version >> 16) & 0xFF);
  if (major == kBuiltMajor && minor == kBuiltMinor) return;
  checked_status(PyErr_WarnFormat(PyExc_RuntimeWarning, 1,
                                  "compile time Python version %d.%d of module '%.100s' %s runtime version %d.%d",
                                  kBuiltMajor, kBuiltMinor, kQualifiedName, "does not match", major, minor));
}

void bind(PyObject* module, const char* name, PyObject* value) {
  checked_status(PyObject_SetAttrString(module, name, value));
}

void bind_imports(PyObject* module) {
  for (const char* name : {"os", "re", "sys", "json", "math", "time", "struct"}) {
    bind(module, name, host::import_module(name).get());
  }
  Ref dataclasses = host::import_module("dataclasses");
  bind(module, "dataclass", checked(PyObject_GetAttrString(dataclasses.get(), "dataclass")).get());
  Ref typing = host::import_module("typing");
  for (const char* name : {"Callable", "Any", "Iterator", "Union"}) {
    bind(module, name, checked(PyObject_GetAttrString(typing.get(), name)).get());
  }
}

Ref public_names() {
  Ref names = checked(PyList_New(0));
  for (const char* name : kPublicNames) checked_status(PyList_Append(names.get(), host::text(name).get()));
  return names;
}

void run_top_level(PyObject* module) {
  warn_on_version_mismatch();
  bind(module, "__version__", host::text(kVersion).get());
  bind(module, "__all__", public_names().get());
  bind_imports(module);

  host::intern_names();
  host::ready_function_type();
  host::ready_generator_type();
  for (const host::ClassSpec* spec : {
           &core::messenger_class(),
           &core::kestrin_base_class(),
           &mapgis::project_class(),
           &mapgis::color_lib_class(),
           &mapgis::feature_file_class(),
           &projection::projection_class(),
           &mapgrid::map_grid_class(),
           &geometry::geometry_class(),
       }) {
    host::build_class(module, *spec);
  }
}

int exec_module(PyObject* module) {
  if (g_module != nullptr) {
    if (g_module == module) return 0;
    PyErr_SetString(PyExc_RuntimeError,
                    "Module 'kestrinpy' has already been imported. Re-initialisation is not supported.");
    return -1;
  }
  g_module = Py_NewRef(module);
  const int status = host::guarded<int>(-1, [&] {
    run_top_level(module);
    return 0;
  });
  // A failed load lets go of the module, so the next attempt starts afresh.
  if (status < 0) Py_CLEAR(g_module);
  return status;
}

}  // namespace

namespace host {

PyObject* held_module() { return g_module; }

}  // namespace host

namespace {

PyModuleDef_Slot module_slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(create_module)},
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    {0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT, "kestrinpy", nullptr, 0, nullptr, module_slots, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit_kestrinpy() { return PyModuleDef_Init(&module_def); }
