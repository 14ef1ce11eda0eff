// Angle text: decimal degrees to degree-minute-second text and back. No host types.
//
// Three text forms are read, each anchored at both ends and matched as the
// host's re matches its pattern (`\s` and `\d` Unicode, `[0-9]` ASCII):
//   decimal  "[ws][+|-]DDD[.ddd][ws][°|度][ws]"     DDD: 1-3 ASCII digits, the first of three 0-3
//   packed   "[ws][+|-]DDDMMSS[.ddd][°|度][ws]"     MM, SS: ASCII 00-59 or 60
//   marked   "[ws][+|-][D°][M′][S[.ddd]″][ws]"      marks ° 度, ′ 分, ″ 秒; every part optional
// The scanners read code units of any width (the storage of a host str, one
// code point per unit), so they see what the host's re sees.
#pragma once

#include <cstddef>
#include <cstdint>

namespace projection::angle_text {

enum class Form : std::uint8_t { None, Decimal, Packed, Marked };

struct Reading {
  Form form = Form::None;
  bool negative = false;  // the sign was "-"
  double number = 0.0;    // decimal form: the unsigned number
  int degrees = 0;        // packed and marked forms
  int minutes = 0;
  double seconds = 0.0;
};

// The decimal form only (what a decimal angle must be written in); the number
// is read only when `with_number` (a float's own text reads back to the float).
template <typename Unit>
Reading read_decimal(const Unit* text, std::size_t size, bool with_number = true);

// The first of the decimal, packed and marked forms that matches.
template <typename Unit>
Reading read_any(const Unit* text, std::size_t size);

// The angle a reading stands for, decimal degrees: the signed number of the
// decimal form, or sign × ((D + M / 60.0) + S / 3600.0) evaluated in that order.
// Bit-exact with the host's float arithmetic.
double degrees_of(const Reading& reading);

// An unsigned angle split into whole degrees, whole minutes and seconds, with
// the carries of seconds ≥ 60 into minutes and of minutes ≥ 60 into degrees
// (seconds may still be a hair below 0 or round up to 60 later).
struct Sexagesimal {
  double degrees;  // integral
  double minutes;  // integral
  double seconds;
};

// `magnitude` in [0, 360]: d = floor(magnitude), m = floor((magnitude - d) * 60),
// s = (magnitude - d) * 3600.0 - m * 60.0, then the carries. Bit-exact with the host.
Sexagesimal split(double magnitude);

// Room for any text that write_text writes.
inline constexpr std::size_t kTextSize = 64;

// Writes "<sign><d>°<m>′<seconds>″" as UTF-16 code units into `out` (kTextSize
// units) and returns their count: degrees and minutes (integral, below 10^6)
// as integer digits, the seconds in the host's float text form.
std::size_t write_text(char16_t* out, bool negative, double degrees, double minutes, double seconds);

}  // namespace projection::angle_text
