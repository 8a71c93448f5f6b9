#include "FxPreprocessor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace
{
// A folder of include files for one test, removed afterwards; the current directory moves
// into it while the test runs (includes fall back to it).
class FxPreprocessorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string sTemplate = testing::TempDir() + "orv_fxpp_XXXXXX";
        ASSERT_NE(mkdtemp(sTemplate.data()), nullptr);
        m_sDir = sTemplate + "/";
        m_sOldDir = std::filesystem::current_path().string();
    }
    void TearDown() override
    {
        std::filesystem::current_path(m_sOldDir);
        std::filesystem::remove_all(m_sDir);
    }
    void Write(const std::string& sName, const std::string& sText)
    {
        std::filesystem::create_directories(std::filesystem::path(m_sDir + sName).parent_path());
        std::ofstream(m_sDir + sName, std::ios::binary) << sText;
    }
    bool Run(const std::string& sSource, const std::string& sName,
             const D3DXMACRO* pDefines = nullptr, ID3DXInclude* pInclude = nullptr)
    {
        m_sErrors.clear();
        return COrvFxPreprocessor::Run(sSource, sName, pDefines, pInclude, m_source, m_sErrors);
    }
    // The text line (1-based) holding the given text.
    int LineOf(const std::string& sText) const
    {
        size_t uAt = m_source.m_sText.find(sText);
        EXPECT_NE(uAt, std::string::npos) << sText << " not in\n" << m_source.m_sText;
        if (uAt == std::string::npos)
            return 0;
        return 1 + int(std::count(m_source.m_sText.begin(),
                                  m_source.m_sText.begin() + std::ptrdiff_t(uAt), '\n'));
    }
    std::string m_sDir;
    std::string m_sOldDir;
    SOrvFxSource m_source;
    std::string m_sErrors;
};

// Hands out include files from a table and records what it was asked.
class CTableInclude : public ID3DXInclude
{
public:
    HRESULT Open(D3DXINCLUDE_TYPE eType, LPCSTR pName, LPCVOID pParent, LPCVOID* ppData,
                 UINT* pBytes) override
    {
        m_asCalls.push_back(std::string(eType == D3DXINC_LOCAL ? "local " : "system ") + pName +
                            (pParent ? " from " + m_names[pParent] : std::string()));
        auto it = m_files.find(pName);
        if (it == m_files.end())
            return E_FAIL;
        *ppData = it->second.data();
        *pBytes = UINT(it->second.size());
        m_names[it->second.data()] = pName;
        ++m_iOpen;
        return S_OK;
    }
    HRESULT Close(LPCVOID) override
    {
        --m_iOpen;
        return S_OK;
    }
    std::map<std::string, std::string> m_files;
    std::map<LPCVOID, std::string> m_names;
    std::vector<std::string> m_asCalls;
    int m_iOpen = 0;
};
} // namespace

TEST_F(FxPreprocessorTest, MacrosConditionsAndCallerDefinitions)
{
    const char* pSource = "// header comment\n"
                          "#define TAPS 4\n"
                          "#define SCALE(x, y) ((x) * (y))\n"
                          "#define JOIN(a, b) a##b\n"
                          "#if defined(QUALITY) && QUALITY > 1\n"
                          "float High = SCALE(TAPS, 2);\n"
                          "#elif !defined(QUALITY)\n"
                          "float None;\n"
                          "#else\n"
                          "float Low;\n"
                          "#endif\n"
                          "float JOIN(Sam, ple) = TAPS;\n";
    const D3DXMACRO aMacros[] = {{"QUALITY", "2"}, {nullptr, nullptr}};
    ASSERT_TRUE(Run(pSource, "m.fx", aMacros)) << m_sErrors;
    const std::string& s = m_source.m_sText;
    EXPECT_NE(s.find("float High =((4)*(2));"), std::string::npos) << s;
    EXPECT_EQ(s.find("Low"), std::string::npos);
    EXPECT_EQ(s.find("None"), std::string::npos);
    EXPECT_NE(s.find("float Sample = 4;"), std::string::npos) << s;
    // Lines keep their numbers in the author's file despite the caller's definitions.
    EXPECT_EQ(m_source.m_lines.Where(LineOf("High")), "m.fx(6)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("Sample")), "m.fx(12)");

    ASSERT_TRUE(Run(pSource, "m.fx")) << m_sErrors;
    EXPECT_NE(m_source.m_sText.find("float None;"), std::string::npos);
}

TEST_F(FxPreprocessorTest, StringsStayAsWrittenAndWindowsFilesRead)
{
    const char* pSource = "\xEF\xBB\xBF#define NAME \"a\\\"b\"\r\n"
                          "string Path = \"C:\\\\tex\\\\wood.dds\";\r\n"
                          "string Quote = NAME; // \"not a string\r\n"
                          "float x = 1 + \\\r\n 2;\r\n"
                          "string Macro = \"TAPS\";\r\n";
    ASSERT_TRUE(Run(pSource, "s.fx")) << m_sErrors;
    const std::string& s = m_source.m_sText;
    EXPECT_NE(s.find("\"C:\\\\tex\\\\wood.dds\""), std::string::npos) << s;
    EXPECT_NE(s.find("\"a\\\"b\""), std::string::npos) << s;
    EXPECT_NE(s.find("\"TAPS\""), std::string::npos) << s;
    EXPECT_EQ(m_source.m_lines.Where(LineOf("Macro")), "s.fx(6)");
}

TEST_F(FxPreprocessorTest, IncludesBesideTheFileThenInTheCurrentDirectory)
{
    Write("fx/main.fx", "#include \"common/light.fxh\"\n"
                        "#include <shared.fxh>\n"
                        "#include \"Common/LIGHT.FXH\"\n"
                        "float Main = LIGHTS * SHARED;\n");
    Write("fx/common/light.fxh", "#pragma once\n"
                                 "#include \"../../cwd.fxh\"\n"
                                 "#define LIGHTS 3\n"
                                 "float Light;\n");
    Write("fx/shared.fxh", "#define SHARED 2\nfloat Shared;\n");
    Write("cwd.fxh", "\n\nfloat FromAbove;\n");
    std::filesystem::current_path(m_sDir);
    std::ifstream file(m_sDir + "fx/main.fx");
    std::string sMain((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(Run(sMain, "fx/main.fx")) << m_sErrors;
    const std::string& s = m_source.m_sText;
    EXPECT_NE(s.find("float Main = 3 * 2;"), std::string::npos) << s;
    EXPECT_EQ(s.find("Light;"), s.rfind("Light;")) << "#pragma once: read once";
    EXPECT_EQ(m_source.m_lines.Where(LineOf("FromAbove")), "fx/common/../../cwd.fxh(3)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("float Light")), "fx/common/light.fxh(4)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("Shared")), "fx/shared.fxh(2)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("Main")), "fx/main.fx(4)");
}

TEST_F(FxPreprocessorTest, MissingAndRunawayIncludesFailWithTheirPlace)
{
    std::filesystem::current_path(m_sDir);
    EXPECT_FALSE(Run("float a;\n#include \"nowhere.fxh\"\n", "main.fx"));
    EXPECT_NE(m_sErrors.find("main.fx(2): error:"), std::string::npos) << m_sErrors;
    EXPECT_NE(m_sErrors.find("nowhere.fxh"), std::string::npos) << m_sErrors;

    Write("self.fxh", "float x;\n#include \"self.fxh\"\n");
    EXPECT_FALSE(Run("#include \"self.fxh\"\n", "main.fx"));
    EXPECT_NE(m_sErrors.find("nested too deeply"), std::string::npos) << m_sErrors;

    EXPECT_FALSE(Run("#error this effect needs a define\n", "main.fx"));
    EXPECT_NE(m_sErrors.find("main.fx(1): error:"), std::string::npos) << m_sErrors;
}

TEST_F(FxPreprocessorTest, HostIncludeHandlerGivesTheFilesAndGetsThemBack)
{
    CTableInclude include;
    include.m_files["a.fxh"] = "#include <b.fxh>\nfloat A;\n";
    include.m_files["b.fxh"] = "float B;\n";
    ASSERT_TRUE(Run("#include \"a.fxh\"\nfloat Main;\n", "memory", nullptr, &include)) << m_sErrors;
    EXPECT_EQ(include.m_asCalls,
              (std::vector<std::string>{"local a.fxh", "system b.fxh from a.fxh"}));
    EXPECT_EQ(include.m_iOpen, 0) << "every Open closed";
    EXPECT_EQ(m_source.m_lines.Where(LineOf("float B")), "b.fxh(1)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("Main")), "memory(2)");

    include.m_asCalls.clear();
    EXPECT_FALSE(Run("\n#include \"c.fxh\"\n", "memory", nullptr, &include));
    EXPECT_EQ(include.m_asCalls, std::vector<std::string>{"local c.fxh"}) << "asked once";
    EXPECT_NE(m_sErrors.find("memory(2): error:"), std::string::npos) << m_sErrors;
}
