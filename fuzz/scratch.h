#pragma once
// The fuzz run's private folder, made once (see bench/scratch.h).
#include <string>

#include "../bench/scratch.h"

inline std::string fuzzScratchFolder() {
  static const std::string dir = makeScratchFolder("quillet-fuzz");
  return dir;
}
