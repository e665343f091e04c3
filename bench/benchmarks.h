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

// Pushes the caches' contents out to memory, as after the user's other work: the program runs
// each operation once, and a loop over the smaller size would otherwise find all its data
// still in the caches where the larger one cannot.
void Cool();

}  // namespace bench
