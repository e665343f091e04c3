// The operations the bench run measures, each at a size n and at 10 n.
#pragma once

#include <string>
#include <vector>

namespace benchmark {
class State;
}

namespace bench {

inline constexpr int kIndexN = 10000;  // links of the smaller line index
inline constexpr int kCardsN = 10000;  // cards of the smaller collection

struct Measure {
  std::string name;
  int n;
  int n10;
  void (*run)(benchmark::State&, int);
};

std::vector<Measure> Measures();

}  // namespace bench
