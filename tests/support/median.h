// The median of a series of measurements (the upper one of the middle two for an even count;
// 0 for none), for benchmarks that time whole processes.
#pragma once

#include <algorithm>
#include <vector>

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}
