#include "engine.h"

namespace wendra {

double EvolutionEngine::averageLength() const {
  const std::int32_t p = populationSize();
  double sum = 0.0;
  for (std::int32_t i = 0; i < p; ++i) sum += memberLength(i);
  return sum / p;
}

}  // namespace wendra
