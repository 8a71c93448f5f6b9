// The file pickers' view of the data folder and files copied into it from elsewhere.
#include "DataFiles.h"

#include "OrvTempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace orv::editor;
namespace fs = std::filesystem;

TEST(DataFilesTest, ListsTheFilesOfAKindSortedWithSubfolders)
{
    COrvTempDir dir("data_list");
    const fs::path data = dir.Path() / "data";
    fs::create_directories(data / "pics");
    for (const char* pName :
         {"b.PNG", "a.jpg", "pics/c.dds", "mesh.x", "scene.fx", "zik.ogg", "notes.txt"})
        OrvWriteFile(data / pName, "x");
    EXPECT_EQ(ListDataFiles(data.string(), EDataFileKind::Image),
              (std::vector<std::string>{"a.jpg", "b.PNG", "pics/c.dds"}));
    EXPECT_EQ(ListDataFiles(data.string(), EDataFileKind::Mesh),
              std::vector<std::string>{"mesh.x"});
    EXPECT_EQ(ListDataFiles(data.string(), EDataFileKind::Effect),
              std::vector<std::string>{"scene.fx"});
    EXPECT_EQ(ListDataFiles(data.string(), EDataFileKind::Sound),
              std::vector<std::string>{"zik.ogg"});
    EXPECT_EQ(ListDataFiles(data.string(), EDataFileKind::Any).size(), 7u);
    EXPECT_EQ(ListDataFiles(data.string(), EDataFileKind::Any, 2).size(), 2u);
    EXPECT_TRUE(ListDataFiles((dir.Path() / "none").string(), EDataFileKind::Any).empty());
}

TEST(DataFilesTest, AFileFromElsewhereIsCopiedInWithoutOverwritingAnother)
{
    COrvTempDir dir("data_import");
    const fs::path data = dir.Path() / "data";
    fs::create_directories(data);
    fs::create_directories(dir.Path() / "elsewhere");
    OrvWriteFile(data / "logo.png", "old picture");
    OrvWriteFile(dir.Path() / "elsewhere" / "logo.png", "new picture");
    OrvWriteFile(dir.Path() / "elsewhere" / "sky.png", "sky");

    std::string sName;
    std::string sError;
    ASSERT_TRUE(ImportDataFile(data.string(), dir.File("elsewhere/sky.png"), sName, sError))
        << sError;
    EXPECT_EQ(sName, "sky.png");
    EXPECT_EQ(OrvReadFile(data / "sky.png"), "sky");

    ASSERT_TRUE(ImportDataFile(data.string(), dir.File("elsewhere/logo.png"), sName, sError));
    EXPECT_EQ(sName, "logo-2.png");
    EXPECT_EQ(OrvReadFile(data / "logo.png"), "old picture");
    EXPECT_EQ(OrvReadFile(data / "logo-2.png"), "new picture");

    // The same bytes again: the copy already there is used.
    ASSERT_TRUE(ImportDataFile(data.string(), dir.File("elsewhere/logo.png"), sName, sError));
    EXPECT_EQ(sName, "logo-2.png");
    EXPECT_FALSE(fs::exists(data / "logo-3.png"));

    // A file already in the data folder keeps its place and gets its relative name.
    fs::create_directories(data / "pics");
    OrvWriteFile(data / "pics" / "in.png", "in");
    ASSERT_TRUE(ImportDataFile(data.string(), (data / "pics" / ".." / "pics" / "in.png").string(),
                               sName, sError));
    EXPECT_EQ(sName, "pics/in.png");
}

TEST(DataFilesTest, WhatCannotBeReadOrWrittenIsRefusedWithTheReason)
{
    COrvTempDir dir("data_refuse");
    const fs::path data = dir.Path() / "data";
    fs::create_directories(data);
    std::string sName = "kept";
    std::string sError;
    EXPECT_FALSE(ImportDataFile(data.string(), dir.File("missing.png"), sName, sError));
    EXPECT_NE(sError.find("missing.png"), std::string::npos) << sError;
    EXPECT_FALSE(ImportDataFile(data.string(), dir.Path().string(), sName, sError)); // a folder
    EXPECT_EQ(sName, "kept");

    // A data "folder" that is a file cannot take the copy.
    OrvWriteFile(dir.Path() / "source.png", "s");
    OrvWriteFile(dir.Path() / "blocked", "a file");
    EXPECT_FALSE(ImportDataFile(dir.File("blocked"), dir.File("source.png"), sName, sError));
    EXPECT_NE(sError.find("cannot copy"), std::string::npos) << sError;
}
