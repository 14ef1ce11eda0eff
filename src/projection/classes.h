// The coordinate projection class: its member table and the bodies of its methods.
#pragma once

#include <optional>

#include "host/classes.h"

namespace projection {

const host::ClassSpec& projection_class();

// Angle text, zones, central meridians and Gauss-Krüger.
host::Ref angle(const host::Args& args);
host::Ref zone(const host::Args& args);
host::Ref central_meridian(const host::Args& args);
host::Ref gauss_kruger(const host::Args& args);

// cls.centralMeridian(longitude=longitude, zoneCode=6), which must answer a
// float (TypeError "Expected float, got ..." otherwise); run directly while the
// class's centralMeridian and zone are the module's own. Nothing when it
// answers None.
std::optional<double> automatic_meridian(PyObject* cls, PyObject* longitude);

// Web Mercator, geodesics, Albers and Lambert.
host::Ref web_mercator(const host::Args& args);
host::Ref geodesics(const host::Args& args);
host::Ref albers(const host::Args& args);
host::Ref lambert(const host::Args& args);

}  // namespace projection
