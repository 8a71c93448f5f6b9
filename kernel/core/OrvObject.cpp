#include "core/OrvObject.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

COrvObject::~COrvObject() = default;

void COrvObject::Release()
{
    // Only the step from 1 to 0 destroys: a Release on a count of 0 just goes negative.
    if (--m_iRefCount == 0)
        delete this;
}

namespace
{
void EraseAll(std::string& text, const std::string& what)
{
    for (size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos))
        text.erase(pos, what.size());
}
} // namespace

std::string OrvClassNameFromTypeName(const char* pTypeName)
{
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(pTypeName, nullptr, nullptr, &status), std::free);
    std::string name = (status == 0 && demangled) ? demangled.get() : pTypeName;
    EraseAll(name, "class ");
    EraseAll(name, "<");
    EraseAll(name, ">");
    return name;
}

std::string COrvObject::GetClass() const
{
    return OrvClassNameFromTypeName(typeid(*this).name());
}
