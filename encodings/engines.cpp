#include "engines.h"

#include "genetic_engine.h"
#include "path.h"
#include "random_key.h"

namespace wendra {

std::unique_ptr<EvolutionEngine> makeEngine(EncodingKind kind) {
  if (kind == EncodingKind::kPath) return std::make_unique<GeneticEngine<PathEncoding>>();
  return std::make_unique<GeneticEngine<RandomKeyEncoding>>();
}

}  // namespace wendra
