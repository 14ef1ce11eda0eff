// The sheet-code scanner of the map sheet grid, for the tests that hold each of
// its matchers against the host's re with the same pattern.
#include <string_view>

#include "host/classes.h"
#include "host/ops.h"
#include "host/text_units.h"
#include "mapgrid/code_scanner.h"
#include "probe/probe.h"

namespace {

using host::Args;
using host::checked;
using host::param;
using host::Ref;
using mapgrid::scan::Span;

Ref group(PyObject* text, Span span) {
  return checked(PyUnicode_Substring(text, static_cast<Py_ssize_t>(span.begin), static_cast<Py_ssize_t>(span.end)));
}

Ref groups(PyObject* text, std::initializer_list<Span> spans) {
  Ref tuple = checked(PyTuple_New(static_cast<Py_ssize_t>(spans.size())));
  Py_ssize_t i = 0;
  for (const Span& span : spans) PyTuple_SET_ITEM(tuple.get(), i++, group(text, span).release());
  return tuple;
}

Span whole(PyObject* text) { return {0, static_cast<std::size_t>(PyUnicode_GET_LENGTH(text))}; }

// search_prefix(text, form): groups 1, 2, 3 and (hyphen and plain forms) 7, or None.
Ref search_prefix(const Args& args) {
  PyObject* text = args[0];
  const std::string_view name = host::utf8(args[1]);
  using mapgrid::scan::PrefixForm;
  const PrefixForm form = name == "hyphen" ? PrefixForm::Hyphen : name == "plain" ? PrefixForm::Plain : PrefixForm::Corner;
  const auto found = host::with_units(text, [&](const auto* units, std::size_t size) {
    return mapgrid::scan::search_prefix(units, size, form);
  });
  if (!found) return host::none();
  if (form == PrefixForm::Corner) return groups(text, {found->hemisphere, found->row, found->column});
  return groups(text, {found->hemisphere, found->row, found->column, found->rest});
}

// new_subcode(text, digits): letter, row and column over the whole text, or None.
Ref new_subcode(const Args& args) {
  PyObject* text = args[0];
  const int digits = static_cast<int>(host::as_int64(args[1]));
  const auto found = host::with_units(text, [&](const auto* units, std::size_t) {
    return mapgrid::scan::match_new_subcode(units, whole(text), digits);
  });
  if (!found) return host::none();
  return groups(text, {found->letter, found->row, found->col});
}

// old_element(text, element, rest): group 1, and group 2 when `rest`, or None.
Ref old_element(const Args& args) {
  PyObject* text = args[0];
  const auto element = static_cast<mapgrid::scan::Element>(host::as_int64(args[1]));
  const bool rest = args.truth(2);
  const auto tail = rest ? mapgrid::scan::Tail::Rest : mapgrid::scan::Tail::End;
  const auto found = host::with_units(text, [&](const auto* units, std::size_t) {
    return mapgrid::scan::match_old_element(units, whole(text), element, tail);
  });
  if (!found) return host::none();
  return rest ? groups(text, {found->element, found->rest}) : groups(text, {found->element});
}

Ref strip(const Args& args) {
  PyObject* text = args[0];
  const Span span = host::with_units(text, [&](const auto* units, std::size_t) {
    return mapgrid::scan::strip(units, whole(text));
  });
  return group(text, span);
}

const host::ClassSpec& scanner_class() {
  using host::MethodKind;
  static const host::ClassSpec spec{
      .name = "SheetCodeScanner",
      .base = nullptr,
      .doc = "The matchers of the sheet-code scanner.",
      .members =
          {
              host::Method{.name = "search_prefix", .kind = MethodKind::Static,
                           .params = {param("text").exactly(&PyUnicode_Type), param("form").exactly(&PyUnicode_Type)},
                           .body = search_prefix},
              host::Method{.name = "new_subcode", .kind = MethodKind::Static,
                           .params = {param("text").exactly(&PyUnicode_Type), param("digits").exactly(&PyLong_Type)},
                           .body = new_subcode},
              host::Method{.name = "old_element", .kind = MethodKind::Static,
                           .params = {param("text").exactly(&PyUnicode_Type), param("element").exactly(&PyLong_Type),
                                      param("rest").truth()},
                           .body = old_element},
              host::Method{.name = "strip", .kind = MethodKind::Static,
                           .params = {param("text").exactly(&PyUnicode_Type)}, .body = strip},
          },
  };
  return spec;
}

const bool registered = probe::add_class(scanner_class);

}  // namespace
