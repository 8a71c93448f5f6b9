// What a host learns of the files a demo could not use: which file, which line, why.
#include "OrvTestDemo.h"
#include "OrvTestDevice.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
std::string Resource(const char* pClass, const std::string& name, const std::string& file)
{
    return std::string("<") + pClass + "><Prop4 defaultValue=\"" + name +
           "\"/><Prop5 defaultValue=\"" + file + "\"/></" + pClass + ">\n";
}

// The problems as "file-name:line: reason" with the file's name only.
std::vector<std::string> Described(const COrvDemo& demo)
{
    std::vector<std::string> texts;
    for (const ORV_LoadProblem& problem : demo.GetProblems())
    {
        ORV_LoadProblem shown = problem;
        shown.m_File = std::filesystem::path(problem.m_File).filename().string();
        EXPECT_TRUE(std::filesystem::path(problem.m_File).is_absolute()) << problem.m_File;
        texts.push_back(shown.Describe());
    }
    return texts;
}

bool HasProblemStarting(const COrvDemo& demo, const std::string& start)
{
    for (const std::string& text : Described(demo))
        if (text.rfind(start, 0) == 0)
            return true;
    return false;
}
} // namespace

TEST(LoadProblem, CompilerMessagesGiveTheFirstErrorAndItsLine)
{
    auto problem = OrvParseCompilerMessages(
        "fx.fx(3,7): warning: unused\nfx.fx(12): error X3004: undeclared identifier 'Foo'\n"
        "fx.fx(20): error: later\n",
        "/d/data/fx.fx", "fallback");
    EXPECT_EQ(problem.m_File, "/d/data/fx.fx");
    EXPECT_EQ(problem.m_iLine, 12);
    EXPECT_EQ(problem.m_Reason, "error X3004: undeclared identifier 'Foo'");

    problem = OrvParseCompilerMessages("x.fx(4,2): warning: only this\n", "x.fx", "fallback");
    EXPECT_EQ(problem.Describe(), "x.fx:4: warning: only this");
    // No place named: the whole file, with the first line or the fallback as the reason.
    problem = OrvParseCompilerMessages("something broke\r\nmore\n", "y.fx", "fallback");
    EXPECT_EQ(problem.Describe(), "y.fx: something broke");
    EXPECT_EQ(OrvParseCompilerMessages("", "y.fx", "fallback").Describe(), "y.fx: fallback");
    EXPECT_EQ(OrvParseCompilerMessages("(5): error\nz(x): e\nz(99999999999): error: big\n", "z",
                                       "fallback")
                  .m_iLine,
              0);

    EXPECT_EQ(OrvLineOfOffset("a\nb\nc", 0), 1);
    EXPECT_EQ(OrvLineOfOffset("a\nb\nc", 2), 2);
    EXPECT_EQ(OrvLineOfOffset("a\nb\nc", 400), 3);
}

TEST(LoadProblem, BrokenOrMissingDemoFilesNameTheLine)
{
    COrvTempDir dir("problems_xml");
    std::filesystem::create_directories(dir.Path() / "data");
    std::filesystem::current_path(dir.Path());
    COrvDemo demo;
    EXPECT_FALSE(demo.Load("absent.orv"));
    EXPECT_EQ(Described(demo), std::vector<std::string>{"absent.orv: cannot read the file"});

    OrvWriteFile(dir.Path() / "broken.orv", "<OrvDemo version=\"1\">\n<Layers>\n<COrvLayerSprite\n"
                                            "  <Prop4 defaultValue=\"x\"/>\n</Layers>\n");
    EXPECT_FALSE(demo.Load("broken.orv"));
    ASSERT_EQ(demo.GetProblems().size(), 1u) << "the earlier problem is forgotten";
    EXPECT_EQ(demo.GetProblems()[0].m_iLine, 4);

    OrvWriteFile(dir.Path() / "other.orv", "<Other/>");
    EXPECT_TRUE(demo.Load("other.orv"));
    EXPECT_EQ(Described(demo), std::vector<std::string>{"other.orv: no <OrvDemo> element"});
    EXPECT_EQ(demo.GetProblems()[0].m_Object, "");

    OrvWriteFile(dir.Path() / "fine.orv",
                 "<OrvDemo version=\"1\">\n<Resources/>\n<Layers>\n"
                 "<COrvLayerSprit><Prop4 defaultValue=\"typo\"/></COrvLayerSprit>\n"
                 "<COrvLayerSprite/>\n<COrvLayerSprit/>\n</Layers>\n</OrvDemo>\n");
    EXPECT_TRUE(demo.Load("fine.orv"));
    EXPECT_EQ(demo.GetLayers().size(), 1u);
    EXPECT_EQ(Described(demo),
              (std::vector<std::string>{"fine.orv:4: unknown layer kind <COrvLayerSprit>",
                                        "fine.orv:6: unknown layer kind <COrvLayerSprit>"}));
    // The element's own name when it has one; the file itself is the problem otherwise.
    EXPECT_EQ(demo.GetProblems()[0].m_Object, "typo");
    EXPECT_EQ(demo.GetProblems()[1].m_Object, "");
}

TEST(LoadProblem, EveryMissingOrBrokenDataFileIsReportedWithoutDrawing)
{
    COrvTestDevice device(64, 64);
    ASSERT_TRUE(device);
    COrvTempDir dir("problems_data");
    std::filesystem::create_directories(dir.Path() / "data");
    OrvWriteFile(dir.Path() / "data" / "broken.fx",
                 "float4 PS() : COLOR0\n{\n    return Undeclared;\n}\n"
                 "technique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n");
    const std::string text =
        "<OrvDemo version=\"1\">\n<music><Prop5 defaultValue=\"silence.ogg\"/></music>\n"
        "<Resources>\n" +
        Resource("COrvResImage", "img", "missing.png") +
        Resource("COrvResShader", "fx", "broken.fx") +
        Resource("COrvResObject3D", "mesh", "missing.x") +
        "</Resources>\n<Layers><COrvLayerPPBlackWhite/></Layers>\n</OrvDemo>\n";
    OrvWriteFile(dir.Path() / "demo.orv", text);
    std::filesystem::current_path(dir.Path());
    COrvDemo demo;
    ASSERT_TRUE(demo.Load("demo.orv"));
    demo.SetDevice(device.Get());
    demo.UpdateResources(0.0f);
    EXPECT_TRUE(HasProblemStarting(demo, "silence.ogg: cannot read the music"));
    EXPECT_TRUE(HasProblemStarting(demo, "missing.png: cannot read the image"));
    EXPECT_TRUE(HasProblemStarting(demo, "broken.fx:3: "));
    EXPECT_TRUE(HasProblemStarting(demo, "missing.x: cannot read the mesh"));
    EXPECT_TRUE(HasProblemStarting(demo, "ppBlackWhite.fx: "));
    EXPECT_EQ(demo.GetProblems().size(), 5u);
    for (const ORV_LoadProblem& problem : demo.GetProblems())
        EXPECT_EQ(std::filesystem::path(problem.m_File).parent_path(), dir.Path() / "data");
    // Each names the object whose file it is, so an editor can mark it.
    std::map<std::string, std::string> objectOfFile;
    for (const ORV_LoadProblem& problem : demo.GetProblems())
        objectOfFile[std::filesystem::path(problem.m_File).filename().string()] = problem.m_Object;
    EXPECT_EQ(objectOfFile["silence.ogg"], demo.GetMusic()->GetName());
    EXPECT_EQ(objectOfFile["missing.png"], "img");
    EXPECT_EQ(objectOfFile["broken.fx"], "fx");
    EXPECT_EQ(objectOfFile["missing.x"], "mesh");
    EXPECT_EQ(objectOfFile["ppBlackWhite.fx"], demo.GetLayers()[0]->GetName());
    EXPECT_FALSE(objectOfFile["ppBlackWhite.fx"].empty());
    // Files are tried once: another frame reports nothing new.
    demo.ClearProblems();
    demo.UpdateResources(1.0f);
    EXPECT_TRUE(demo.GetProblems().empty());
    demo.SetDevice(nullptr);
}

TEST(LoadProblem, SwappedMusicTracksChangeOwnersAndKeepTheirStreams)
{
    COrvTempDir dir("problems_music");
    std::filesystem::create_directories(dir.Path() / "data");
    std::filesystem::current_path(dir.Path());
    auto pFirst = std::make_unique<COrvDemo>();
    auto pSecond = std::make_unique<COrvDemo>();
    COrvMusic* pOne = pFirst->GetMusic();
    COrvMusic* pTwo = pSecond->GetMusic();
    pFirst->SwapMusic(*pSecond);
    EXPECT_EQ(pFirst->GetMusic(), pTwo);
    EXPECT_EQ(pSecond->GetMusic(), pOne);
    pFirst.reset();
    // The track that moved to the second document lives on with it.
    EXPECT_EQ(pSecond->GetMusic()->GetBPM(), 138.0f);
    pSecond->GetMusic()->Update();
    EXPECT_TRUE(pSecond->GetMusic()->IsOpen());
}

TEST(LoadProblem, ADemoLoadsTheSameWhateverFrameTheHostShows)
{
    COrvTempDir dir("problems_frame");
    std::filesystem::create_directories(dir.Path() / "data");
    OrvWriteFile(dir.Path() / "demo.orv",
                 "<OrvDemo version=\"1\"><Resources><COrvResMaterial><Prop4 defaultValue=\"m\"/>"
                 "<Prop0 defaultValue=\"1\"><track><key frame=\"0\" value=\"1\"/></track></Prop0>"
                 "</COrvResMaterial></Resources></OrvDemo>");
    std::filesystem::current_path(dir.Path());
    for (float frame : {0.0f, 24.0f, 1000.5f})
    {
        COrvPropBase::SetFrame(frame);
        COrvDemo demo;
        ASSERT_TRUE(demo.Load("demo.orv"));
        EXPECT_EQ(COrvPropBase::m_siFrame, frame) << "the host's frame is given back";
        auto* pAlpha = FindProperty<COrvPropFloat>(demo.GetResourceByName("m"), ORV_PROP_ALPHA);
        ASSERT_NE(pAlpha, nullptr);
        // Only the file's key: the material's own first key went to frame 0 and was replaced.
        EXPECT_EQ(pAlpha->GetValue(), 1.0f) << frame;
        COrvPropBase::SetFrame(24.0f);
        EXPECT_EQ(pAlpha->GetValue(), 1.0f) << frame;
    }
    COrvPropBase::SetFrame(0.0f);
}
