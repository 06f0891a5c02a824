// Placeholder until the catalogue lands.
#include "EngineManager.h"

EngineManager::EngineManager() = default;
EngineManager::~EngineManager() = default;
