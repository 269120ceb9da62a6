#pragma once

// Common root of the engine classes. It carries nothing but a virtual destructor,
// so that every engine object can be owned and destroyed through one base.
class EngineObject
{
public:
    virtual ~EngineObject() = default;
};
