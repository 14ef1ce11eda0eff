// The coordinate projection class: its member table and the bodies of its methods.
#pragma once

#include "host/classes.h"

namespace projection {

const host::ClassSpec& projection_class();

// Angle text, zones, central meridians and Gauss-Krüger.
host::Ref angle(const host::Args& args);
host::Ref zone(const host::Args& args);
host::Ref central_meridian(const host::Args& args);
host::Ref gauss_kruger(const host::Args& args);

// Web Mercator, geodesics, Albers and Lambert.
host::Ref web_mercator(const host::Args& args);
host::Ref geodesics(const host::Args& args);
host::Ref albers(const host::Args& args);
host::Ref lambert(const host::Args& args);

}  // namespace projection
