#pragma once

#include "OrvExport.h"

#include <string>

// Root of every shared engine object: an intrusive reference count and the name of the
// object's most-derived class. Objects start with a count of 0; the first holder takes
// the first reference. Counts are plain integers: objects belong to one thread.
class ORV_API COrvObject
{
public:
    COrvObject() = default;
    virtual ~COrvObject();

    COrvObject(const COrvObject&) = delete;
    COrvObject& operator=(const COrvObject&) = delete;

    void AddRef() { ++m_iRefCount; }
    void Release();
    int GetRefCount() const { return m_iRefCount; }

    // The most-derived class name ("COrvLayerSprite"), also the element name in demo files.
    std::string GetClass() const;

private:
    int m_iRefCount = 0;
};

// Turns a run-time type name into the class name as demo files spell it: the name is
// demangled, then every "class ", "<" and ">" is removed.
ORV_API std::string OrvClassNameFromTypeName(const char* pTypeName);
