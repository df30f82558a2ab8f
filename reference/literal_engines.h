#pragma once
// The reference engines (see literal_engine.h), one per encoding.

#include <memory>

#include "engine.h"

namespace wendra::literal {

std::unique_ptr<EvolutionEngine> makeLiteralEngine(EncodingKind kind);

}  // namespace wendra::literal
