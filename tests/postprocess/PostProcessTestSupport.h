#pragma once

// Shared by the post-process tests: a scratch demo folder whose data folder holds the
// sample demo's effect files, property access by identifier, and small helpers.
#include "OrvKernel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

template <typename TProp> TProp* FindProp(COrvModifiable* pObject, ORV_PROP_ID id)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            return dynamic_cast<TProp*>(pProp);
    return nullptr;
}

inline void SetString(COrvModifiable* pObject, ORV_PROP_ID id, const std::string& value)
{
    FindProp<COrvPropString>(pObject, id)->SetDefaultValue(value);
}

inline void SetBool(COrvModifiable* pObject, ORV_PROP_ID id, bool value)
{
    FindProp<COrvPropBool>(pObject, id)->SetDefaultValue(value);
}

// A fresh demo folder "<tmp>/orv_<name>_<pid>" with data/ holding the effect files of the
// sample demo; it is the current directory while it lives (a demo made meanwhile reads its
// files from there). The previous directory comes back at the end.
class CDemoFolder
{
public:
    explicit CDemoFolder(const std::string& name)
        : m_Previous(std::filesystem::current_path()),
          m_Path(std::filesystem::temp_directory_path() /
                 ("orv_" + name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_Path);
        std::filesystem::create_directories(m_Path / "data");
        const std::filesystem::path source =
            std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier" / "data";
        for (const auto& entry : std::filesystem::directory_iterator(source))
            if (entry.path().extension() == ".fx")
                std::filesystem::copy_file(entry.path(), m_Path / "data" / entry.path().filename());
        std::filesystem::current_path(m_Path);
    }
    ~CDemoFolder()
    {
        std::filesystem::current_path(m_Previous);
        std::filesystem::remove_all(m_Path);
    }
    std::filesystem::path Data() const { return m_Path / "data"; }

private:
    std::filesystem::path m_Previous;
    std::filesystem::path m_Path;
};

// A render-target resource of a fixed size.
inline COrvResRenderTarget* AddTarget(COrvDemo& demo, const std::string& name, int width,
                                      int height)
{
    auto* pTarget = static_cast<COrvResRenderTarget*>(demo.AddResRenderTarget());
    pTarget->SetName(name);
    FindProp<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetDefaultValue(width);
    FindProp<COrvPropInt>(pTarget, ORV_PROP_HEIGHT)->SetDefaultValue(height);
    pTarget->Update();
    return pTarget;
}
