#pragma once

// Told by the catalogue after every change operation.
class EngineObserver
{
public:
    virtual ~EngineObserver() = default;
    virtual void OnEngineChanged() = 0;
};
