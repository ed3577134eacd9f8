// The range of automation dates: 1 January 100 to 31 December 9999, counted in days from
// 30 December 1899.
#pragma once

namespace tavlinport {

constexpr double kDateMin = -657434.0;
constexpr double kDateMax = 2958465.0;

}  // namespace tavlinport
