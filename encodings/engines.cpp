#include "engines.h"

#include "fast_engine.h"
#include "key_layout.h"
#include "path_layout.h"

namespace wendra {

std::unique_ptr<EvolutionEngine> makeEngine(EncodingKind kind, int threads) {
  if (kind == EncodingKind::kPath) return std::make_unique<FastEngine<PathLayout>>(threads);
  return std::make_unique<FastEngine<KeyLayout>>(threads);
}

}  // namespace wendra
