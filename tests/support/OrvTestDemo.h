#pragma once

// Setting up demos in tests: an engine object's properties by identifier, render targets,
// and a scratch demo folder holding the sample demo's effect files.
#include "OrvKernel.h"
#include "OrvTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// The object's property with the identifier, as the property class asked for (null when the
// object has no such property or it is of another class).
template <typename TProp> TProp* FindProperty(COrvModifiable* pObject, ORV_PROP_ID id)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            return dynamic_cast<TProp*>(pProp);
    return nullptr;
}

inline void SetString(COrvModifiable* pObject, ORV_PROP_ID id, const std::string& value)
{
    FindProperty<COrvPropString>(pObject, id)->SetDefaultValue(value);
}

inline void SetBool(COrvModifiable* pObject, ORV_PROP_ID id, bool value)
{
    FindProperty<COrvPropBool>(pObject, id)->SetDefaultValue(value);
}

// A render-target resource of a fixed size, made at once when the demo has a device.
inline COrvResRenderTarget* AddTarget(COrvDemo& demo, const std::string& name, int width,
                                      int height)
{
    auto* pTarget = static_cast<COrvResRenderTarget*>(demo.AddResRenderTarget());
    pTarget->SetName(name);
    FindProperty<COrvPropInt>(pTarget, ORV_PROP_WIDTH)->SetDefaultValue(width);
    FindProperty<COrvPropInt>(pTarget, ORV_PROP_HEIGHT)->SetDefaultValue(height);
    pTarget->Update();
    return pTarget;
}

// Loads a demo from XML text through a temporary file, removed at once.
inline bool LoadText(COrvDemo& demo, const std::string& text)
{
    COrvTempDir dir("demo_text");
    OrvWriteFile(dir.Path() / "demo.orv", text);
    return demo.Load(dir.File("demo.orv"));
}

// A fresh demo folder whose data/ holds the effect files of the sample demo (or nothing);
// it is the current directory while it lives (a demo made meanwhile reads its files there).
class CDemoFolder
{
public:
    explicit CDemoFolder(const std::string& name, bool bSampleEffects = true) : m_Dir(name)
    {
        std::filesystem::create_directories(Data());
        m_Dir.Enter();
        if (!bSampleEffects)
            return;
        const std::filesystem::path source =
            std::filesystem::path(ORV_SOURCE_ROOT) / "examples" / "Atelier" / "data";
        for (const auto& entry : std::filesystem::directory_iterator(source))
            if (entry.path().extension() == ".fx")
                std::filesystem::copy_file(entry.path(), Data() / entry.path().filename());
    }
    const std::filesystem::path& Path() const { return m_Dir.Path(); }
    std::filesystem::path Data() const { return m_Dir.Path() / "data"; }

private:
    COrvTempDir m_Dir;
};
