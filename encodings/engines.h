#pragma once
// The two engines the programs are built with.

#include <memory>

#include "engine.h"

namespace wendra {

// wendra1's engine (path chromosome) or wendra3's (random-key chromosome).
std::unique_ptr<EvolutionEngine> makeEngine(EncodingKind kind);

}  // namespace wendra
