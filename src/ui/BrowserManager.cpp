// Placeholder until the result pages land.
#include "BrowserManager.h"

BrowserManager::BrowserManager() = default;
BrowserManager::~BrowserManager() = default;
