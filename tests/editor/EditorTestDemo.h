#pragma once
// Demo folders for the model's tests: the sample demo (its data folder linked, not copied), an
// empty one, and generated ones of a given size; and the document's Save text.
#include "EditorDocument.h"
#include "OrvKernel.h"
#include "OrvTempDir.h"
#include "OrvTestDemoText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// A temporary demo folder; the current directory comes back when it goes.
class CEditorTestFolder
{
public:
    explicit CEditorTestFolder(const std::string& sName) : m_Dir(sName) {}
    const std::filesystem::path& Path() const { return m_Dir.Path(); }
    std::string Demo() const { return (m_Dir.Path() / "demo.orv").string(); }

    // The sample's demo.orv, and its data folder as a link.
    void FillWithSample() const { OrvPlaceSampleDemo(Path()); }
    void Write(const std::string& sText) const
    {
        std::filesystem::create_directories(Path() / "data");
        OrvWriteFile(Path() / "demo.orv", sText);
    }

private:
    COrvTempDir m_Dir;
};

inline std::string SaveTextOf(CEditorDocument& document)
{
    return document.GetSaveText();
}

// Properties by identifier, by place.
SEditorPropRef PropRefOf(CEditorDocument& document, const SEditorObjectRef& object, ORV_PROP_ID id);
