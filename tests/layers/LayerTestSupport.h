#pragma once

// Shared by the layer tests: property access by identifier, loading a demo from text, and a
// demo on the recording device with a built-in mesh resource.
#include "OrvKernel.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// Loads a demo from XML text through a temporary file, removed at once.
inline bool LoadText(COrvDemo& demo, const std::string& text)
{
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("orv_layers_" + std::to_string(::getpid()) + ".orv");
    FILE* pFile = std::fopen(path.c_str(), "wb");
    if (!pFile)
        return false;
    std::fwrite(text.data(), 1, text.size(), pFile);
    std::fclose(pFile);
    const bool bLoaded = demo.Load(path.string());
    std::filesystem::remove(path);
    return bLoaded;
}

// A 1280 × 720 recording device, a demo with mesh resources named after their shapes.
class MeshLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        COrvPropBase::SetFrame(0.0f);
        m_Demo.SetDevice(&m_Device);
    }
    void TearDown() override { m_Demo.SetDevice(nullptr); }

    COrvResObject3D* AddMesh(const std::string& shape)
    {
        auto* pMesh = static_cast<COrvResObject3D*>(m_Demo.AddResObject3D());
        pMesh->SetName(shape);
        pMesh->SetFileName(shape);
        pMesh->Update();
        return pMesh;
    }

    CRecordingDevice m_Device{1280, 720};
    COrvDemo m_Demo;
};
