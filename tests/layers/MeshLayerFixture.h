#pragma once

// The mesh-layer tests' fixture: a demo on the recording device with built-in mesh
// resources.
#include "OrvKernel.h"
#include "OrvTestDemo.h"
#include "RecordingDevice.h"

#include <gtest/gtest.h>

#include <string>

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
