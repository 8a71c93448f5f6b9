#include "FxPpLexer.h"
#include "FxPreprocessor.h"

#define ENABLE_HLSL 1
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

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
    EXPECT_NE(s.find("float High = ((4) * (2));"), std::string::npos) << s;
    EXPECT_EQ(s.find("Low"), std::string::npos);
    EXPECT_EQ(s.find("None"), std::string::npos);
    EXPECT_NE(s.find("float Sample = 4;"), std::string::npos) << s;
    // Lines keep their numbers in the author's file despite the caller's definitions.
    EXPECT_EQ(m_source.m_lines.Where(LineOf("High")), "m.fx(6)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("Sample")), "m.fx(12)");

    ASSERT_TRUE(Run(pSource, "m.fx")) << m_sErrors;
    EXPECT_NE(m_source.m_sText.find("float None;"), std::string::npos);
}

// The corners of macro expansion as the C preprocessor (and Direct3D's compiler) has them.
TEST_F(FxPreprocessorTest, MacroExpansionFollowsTheCRules)
{
    struct SCase
    {
        const char* m_pSource;
        const char* m_pExpected; // the last output line
    } aCases[] = {
        {"#define LOW 0\n#define NAME(l) PS_##l\nNAME(LOW)", "PS_LOW"}, // ## takes it as written
        {"#define LOW 0\n#define F(l) l + PS(l)\nF(LOW)", "0 + PS(0)"}, // elsewhere expanded first
        {"#define STR(x) #x\nstring s = STR(a  \"q\" + 1);", "string s = \"a \\\"q\\\" + 1\";"},
        {"#define foo foo + 1\nfoo", "foo + 1"},                        // no endless self-expansion
        {"#define f(x) g(x)\n#define g(x) f(x) * 2\nf(1)", "f(1) * 2"}, // nor through another
        {"#define ADD(a, b) ((a) + (b))\nADD(f(1, 2), (3, 4))", "((f(1, 2)) + ((3, 4)))"},
        {"#define E(a, b) [a|b]\nE(, )", "[|]"},
        {"#define V(fmt, ...) call(fmt, __VA_ARGS__)\nV(1, 2, 3)", "call(1, 2, 3)"},
        {"#define F(x) x\n#define G F\nG(7)", "7"}, // a function-like name from an expansion
        {"#define F(x) <x>\nF\n", "F"},             // without '(' no call
        {"#define CAT(a, b) a ## b\nCAT(1, 5) CAT(x, ) CAT(, y)", "15 x y"},
        {"#define HALF(x) ((x) /\\\n 2)\nHALF(4)", "((4) / 2)"},
        {"int l = __LINE__;", "int l = 1;"},
    };
    for (const SCase& test : aCases)
    {
        ASSERT_TRUE(Run(test.m_pSource, "c.fx")) << test.m_pSource << "\n" << m_sErrors;
        std::string sText = m_source.m_sText;
        while (!sText.empty() && sText.back() == '\n')
            sText.pop_back();
        EXPECT_EQ(sText.substr(sText.rfind('\n') + 1), test.m_pExpected) << test.m_pSource;
    }
    ASSERT_TRUE(Run("#define TEN(x) x x x x x x x x x x\nTEN(TEN(TEN(a)))", "c.fx"));
    EXPECT_EQ(std::count(m_source.m_sText.begin(), m_source.m_sText.end(), 'a'), 1000);
    // A call spread over lines stays on the line of its name.
    ASSERT_TRUE(Run("#define F(a, b) a * b\nfloat x = F(2,\n      3);\nfloat y;", "c.fx"));
    EXPECT_EQ(m_source.m_lines.Where(LineOf("2 * 3")), "c.fx(2)");
    EXPECT_EQ(m_source.m_lines.Where(LineOf("float y")), "c.fx(4)");
}

TEST_F(FxPreprocessorTest, ConditionsAndTheirMistakes)
{
    const char* pSource =
        "#define V 3\n"
        "#if V * 2 == 6 && (defined V) && !defined(W) && (0 || 1 / 1) && -1 < 0\n"
        "ok1\n"
        "#endif\n"
        "#if 0 && 1 / 0\n"
        "#elif 0x10 == 16 && 010 == 8 && (1 ? 2 : 3) == 2 && UNKNOWN == 0\n"
        "ok2\n"
        "#else\n"
        "bad\n"
        "#endif\n"
        "#ifdef V\n#undef V\n#endif\n"
        "#ifndef V\nok3\n#endif\n"
        "#if 0\n#garbage directive in a skipped part\n#if 1\nbad\n#endif\n#endif\n"
        "#line 100 \"other.fx\"\n"
        "ok4\n";
    ASSERT_TRUE(Run(pSource, "c.fx")) << m_sErrors;
    for (const char* pOk : {"ok1", "ok2", "ok3"})
        EXPECT_NE(m_source.m_sText.find(pOk), std::string::npos) << pOk;
    EXPECT_EQ(m_source.m_sText.find("bad"), std::string::npos);
    EXPECT_EQ(m_source.m_lines.Where(LineOf("ok4")), "other.fx(100)");

    struct SCase
    {
        const char* m_pSource;
        const char* m_pExpected;
    } aErrors[] = {
        {"\n#if 1 / 0\n#endif", "c.fx(2): error: #if: division by zero"},
        {"#if 1\n", "c.fx(1): error: #if without #endif"},
        {"#endif", "c.fx(1): error: #endif without #if"},
        {"#if 1\n#else\n#else\n#endif", "c.fx(3): error: #else after #else"},
        {"#if 1.5 > 1\n#endif", "conditions take integers only"},
        {"#if (1\n#endif", "')' expected"},
        {"#if\n#endif", "the condition is empty"},
        {"#define F(a, b) a\nF(1)", "c.fx(2): error: macro 'F' takes 2 arguments, 1 given"},
        {"#define F(a) a\nx F(1\n", "unterminated call of macro 'F'"},
        {"#define F(a a) a", "bad parameter list"},
        {"#foo", "unknown directive '#foo'"},
        {"#line x", "#line needs a line number"},
        {"#include nothing", "#include needs"},
        {"float a; /* open\n\n", "c.fx(1): error: unterminated comment"},
        {"#define A0 x x\n#define A1 A0 A0\n#define A2 A1 A1\n#define A3 A2 A2\n#define A4 A3 A3\n"
         "#define A5 A4 A4\n#define A6 A5 A5\n#define A7 A6 A6\n#define A8 A7 A7\n#define A9 A8 "
         "A8\n"
         "#define B0 A9 A9\n#define B1 B0 B0\n#define B2 B1 B1\n#define B3 B2 B2\n#define B4 B3 "
         "B3\n"
         "#define B5 B4 B4\n#define B6 B5 B5\n#define B7 B6 B6\n#define B8 B7 B7\n#define B9 B8 "
         "B8\nB9",
         "macro expansion too large"},
    };
    for (const SCase& test : aErrors)
    {
        EXPECT_FALSE(Run(test.m_pSource, "c.fx")) << test.m_pSource;
        EXPECT_NE(m_sErrors.find(test.m_pExpected), std::string::npos)
            << test.m_pSource << "\ngave: " << m_sErrors;
    }
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

// As the C compilers the files were written for search: beside the including file, then
// beside each file that included that one, out to the effect; the nearest folder wins.
TEST_F(FxPreprocessorTest, IncludesSearchOutwardThroughTheIncludingFiles)
{
    Write("pack/Effect.fx", "#include \"includes/Standard.fxh\"\n"
                            "float Main = LIGHT + SHARED + PART;\n");
    Write("pack/includes/Standard.fxh", "#include \"includes/Light.fxh\"\n"
                                        "#include \"Shared.fxh\"\n"
                                        "#include \"parts/Part.fxh\"\n");
    Write("pack/includes/Light.fxh", "#define LIGHT 1\n");
    Write("pack/includes/Shared.fxh", "#define SHARED 20\n");
    Write("pack/Shared.fxh", "#define SHARED 999\n");
    // Three levels down: neither beside Part.fxh nor beside Standard.fxh, but beside the effect.
    Write("pack/includes/parts/Part.fxh", "#include \"includes/Light.fxh\"\n"
                                          "#define PART 300\n");
    std::filesystem::current_path(m_sDir);
    ASSERT_TRUE(Run("#include \"includes/Standard.fxh\"\n"
                    "float Main = LIGHT + SHARED + PART;\n",
                    "pack/Effect.fx"))
        << m_sErrors;
    EXPECT_NE(m_source.m_sText.find("float Main = 1 + 20 + 300;"), std::string::npos)
        << m_source.m_sText;

    // A header of that name beside the including file comes first.
    Write("pack/includes/includes/Light.fxh", "#define LIGHT 7\n");
    ASSERT_TRUE(Run("#include \"includes/Standard.fxh\"\nfloat Main = LIGHT;\n", "pack/Effect.fx"))
        << m_sErrors;
    EXPECT_NE(m_source.m_sText.find("float Main = 7;"), std::string::npos) << m_source.m_sText;

    // The current folder comes last, for headers found nowhere along the chain.
    Write("OnlyHere.fxh", "float FromCurrent;\n");
    Write("pack/includes/Asks.fxh", "#include \"OnlyHere.fxh\"\n");
    ASSERT_TRUE(Run("#include \"includes/Asks.fxh\"\n", "pack/Effect.fx")) << m_sErrors;
    EXPECT_EQ(m_source.m_lines.Where(LineOf("FromCurrent")), "OnlyHere.fxh(1)");

    // Two headers that include each other stop at the depth limit with a message.
    Write("pack/includes/Ping.fxh", "#include \"includes/Pong.fxh\"\n");
    Write("pack/includes/Pong.fxh", "#include \"includes/Ping.fxh\"\n");
    EXPECT_FALSE(Run("#include \"includes/Ping.fxh\"\n", "pack/Effect.fx"));
    EXPECT_NE(m_sErrors.find("nested too deeply"), std::string::npos) << m_sErrors;
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

namespace
{
// glslang's preprocessor, the one its HLSL front end runs, as a second opinion: its output
// with the origin of every token (from its #line markers and the lines it keeps in step).
class CGlslangIncluder : public glslang::TShader::Includer
{
public:
    IncludeResult* includeLocal(const char* pName, const char* pIncluder, size_t) override
    {
        std::string sIncluder = pIncluder;
        std::string sPath = sIncluder.substr(0, sIncluder.find_last_of('/') + 1) + pName;
        auto* pText = new std::string;
        std::ifstream file(sPath, std::ios::binary);
        if (!file)
        {
            delete pText;
            return nullptr;
        }
        pText->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        return new IncludeResult(sPath, pText->data(), pText->size(), pText);
    }
    IncludeResult* includeSystem(const char* pName, const char* pIncluder, size_t uDepth) override
    {
        return includeLocal(pName, pIncluder, uDepth);
    }
    void releaseInclude(IncludeResult* pResult) override
    {
        if (pResult)
            delete static_cast<std::string*>(pResult->userData);
        delete pResult;
    }
};

struct SOrigin
{
    std::string m_sText;
    std::string m_sFile;
    int m_iLine;
};

// The tokens of preprocessed text with where each came from; directives and strings' insides
// left out (glslang keeps no #pragma once and unescapes strings).
std::vector<SOrigin> Tokens(const std::string& sText, const std::vector<std::string>& asFiles,
                            const std::vector<int>& aiLines)
{
    std::vector<SOrigin> tokens;
    COrvPpLexer lexer(sText, 0);
    std::vector<SOrvPpToken> line;
    while (lexer.NextLine(line))
    {
        if (line.empty() || line[0].Is("#"))
            continue;
        for (const SOrvPpToken& token : line)
        {
            size_t uLine = size_t(token.m_iLine - 1);
            tokens.push_back({token.m_eKind == EOrvPpToken::String ? "<string>" : token.m_sText,
                              asFiles[uLine], aiLines[uLine]});
        }
    }
    return tokens;
}

std::vector<SOrigin> GlslangTokens(const std::string& sSource, const std::string& sName)
{
    glslang::InitializeProcess();
    glslang::TShader shader(EShLangFragment);
    const char* pText = sSource.c_str();
    const char* pName = sName.c_str();
    int iLength = int(sSource.size());
    shader.setStringsWithLengthsAndNames(&pText, &iLength, &pName, 1);
    shader.setEnvInput(glslang::EShSourceHlsl, EShLangFragment, glslang::EShClientOpenGL, 100);
    CGlslangIncluder includer;
    std::string sOutput;
    EXPECT_TRUE(shader.preprocess(GetDefaultResources(), 100, ENoProfile, false, false,
                                  EShMessages(EShMsgReadHlsl | EShMsgOnlyPreprocessor), &sOutput,
                                  includer))
        << shader.getInfoLog();
    // Its "#line N "file"" markers say where the following lines come from.
    std::vector<std::string> asFiles;
    std::vector<int> aiLines;
    std::string sFile = sName;
    int iNext = 1;
    std::istringstream stream(sOutput);
    std::string sLine;
    while (std::getline(stream, sLine))
    {
        asFiles.push_back(sFile);
        aiLines.push_back(iNext++);
        if (sLine.rfind("#line ", 0) == 0)
        {
            std::istringstream marker(sLine.substr(6));
            marker >> iNext;
            std::string sQuoted;
            if (marker >> sQuoted && sQuoted.size() >= 2)
                sFile = sQuoted.substr(1, sQuoted.size() - 2);
        }
    }
    return Tokens(sOutput, asFiles, aiLines);
}
} // namespace

// Every effect file of the tests comes out of our preprocessor with the same tokens from the
// same places as out of glslang's.
TEST(FxPreprocessorOracle, AgreesWithGlslangOnTheTestEffects)
{
    std::string sDir = std::string(ORV_TEST_SOURCE_DIR) + "/d3dx/data/fx/";
    int iCompared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(sDir))
    {
        std::string sName = entry.path().filename().string();
        // MacroTechniques pastes macro arguments that are macros: C (and Direct3D's compiler)
        // paste them as written, glslang expands them first.
        if (entry.path().extension() != ".fx" || sName == "MissingInclude.fx" ||
            sName == "MacroTechniques.fx")
            continue;
        SCOPED_TRACE(sName);
        std::ifstream file(entry.path(), std::ios::binary);
        std::string sSource((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
        if (sSource.find("\\\"") != std::string::npos)
            continue; // glslang ends a string at an escaped quote
        std::string sPath = entry.path().string();
        SOrvFxSource ours;
        std::string sErrors;
        ASSERT_TRUE(COrvFxPreprocessor::Run(sSource, sPath, nullptr, nullptr, ours, sErrors))
            << sErrors;
        std::vector<std::string> asFiles;
        std::vector<int> aiLines;
        int iTextLines = int(std::count(ours.m_sText.begin(), ours.m_sText.end(), '\n')) + 1;
        for (int i = 1; i <= iTextLines; ++i)
        {
            asFiles.push_back(ours.m_lines.FileOf(i));
            aiLines.push_back(ours.m_lines.LineOf(i));
        }
        std::vector<SOrigin> aOurs = Tokens(ours.m_sText, asFiles, aiLines);
        std::vector<SOrigin> aTheirs = GlslangTokens(sSource, sPath);
        ASSERT_EQ(aOurs.size(), aTheirs.size());
        for (size_t i = 0; i < aOurs.size(); ++i)
        {
            ASSERT_EQ(aOurs[i].m_sText, aTheirs[i].m_sText) << "token " << i;
            // glslang names included files by the path it was given for them.
            EXPECT_EQ(std::filesystem::weakly_canonical(aOurs[i].m_sFile),
                      std::filesystem::weakly_canonical(aTheirs[i].m_sFile))
                << aOurs[i].m_sText;
            EXPECT_EQ(aOurs[i].m_iLine, aTheirs[i].m_iLine) << aOurs[i].m_sText;
        }
        ++iCompared;
    }
    EXPECT_GE(iCompared, 25);
}
