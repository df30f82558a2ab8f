#include "literal_engines.h"

#include "literal_engine.h"
#include "literal_path.h"
#include "literal_random_key.h"

namespace wendra::literal {

std::unique_ptr<EvolutionEngine> makeLiteralEngine(EncodingKind kind) {
  if (kind == EncodingKind::kPath) return std::make_unique<GeneticEngine<PathEncoding>>();
  return std::make_unique<GeneticEngine<RandomKeyEncoding>>();
}

}  // namespace wendra::literal
