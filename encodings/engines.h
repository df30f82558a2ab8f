#pragma once
// The two engines the programs are built with.

#include <memory>

#include "engine.h"

namespace wendra {

// wendra1's engine (path chromosome) or wendra3's (random-key chromosome).
// threads: workers for large steps, 0 for one per available core. Results
// never depend on it.
std::unique_ptr<EvolutionEngine> makeEngine(EncodingKind kind, int threads = 0);

}  // namespace wendra
