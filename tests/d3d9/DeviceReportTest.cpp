// The platform's problem reports: standard error by default, the host's handler once it
// sets one, from the two places that report (device creation, the GL program cache).
#include "OrvGLProgramCache.h"
#include "OrvPlatformReport.h"
#include "OrvTestDevice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

void CollectReport(const char* szText, void* pUser)
{
    static_cast<std::vector<std::string>*>(pUser)->push_back(szText);
}

// Sets a handler collecting into m_reports for the test's length, then puts back the default.
class DeviceReportTest : public ::testing::Test
{
protected:
    void SetUp() override { OrvSetReportHandler(CollectReport, &m_reports); }
    void TearDown() override { OrvSetReportHandler(nullptr, nullptr); }

    std::vector<std::string> m_reports;
};

GLuint CompileBrokenVertexShader()
{
    GLuint uShader = glCreateShader(GL_VERTEX_SHADER);
    const char* szSource = "#version 330 core\nvoid main() { gl_Position = undeclared; }\n";
    glShaderSource(uShader, 1, &szSource, nullptr);
    glCompileShader(uShader);
    return uShader;
}

} // namespace

TEST_F(DeviceReportTest, ReportsReachTheHandlerAndTheDefaultIsStandardError)
{
    OrvReport("first");
    OrvReport(nullptr); // an empty report rather than a crash
    ASSERT_EQ(m_reports, (std::vector<std::string>{"first", ""}));

    // A handler may hand over to another from inside a report.
    std::vector<std::string> later;
    static std::vector<std::string>* s_pLater = &later;
    OrvSetReportHandler(
        [](const char* szText, void* pUser)
        {
            CollectReport(szText, pUser);
            OrvSetReportHandler(CollectReport, s_pLater);
        },
        &m_reports);
    OrvReport("second");
    OrvReport("third");
    EXPECT_EQ(m_reports.back(), "second");
    EXPECT_EQ(later, std::vector<std::string>{"third"});

    OrvSetReportHandler(nullptr, nullptr);
    testing::internal::CaptureStderr();
    OrvReport("to standard error");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to standard error\n");
    EXPECT_EQ(later.size(), 1u);
}

TEST_F(DeviceReportTest, AProgramThatCannotBeLinkedIsReportedOncePerKey)
{
    COrvTestDevice device; // makes its GL context current
    ASSERT_TRUE(device);
    const GLuint uBroken = CompileBrokenVertexShader();
    COrvGLProgramCache cache;
    SOrvFFVertexKey vertexKey{};
    SOrvFFFragmentKey fragmentKey{};
    testing::internal::CaptureStderr();
    EXPECT_EQ(cache.Get(uBroken, 0, vertexKey, fragmentKey), nullptr);
    EXPECT_EQ(cache.Get(uBroken, 0, vertexKey, fragmentKey), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_NE(m_reports[0].find("cannot build a shader program"), std::string::npos)
        << m_reports[0];
    cache.Clear();
    glDeleteShader(uBroken);
}

TEST(DeviceReportDeathTest, AFailedDeviceCreationReachesTheHostsHandlerOnly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a fresh process, point the GL dispatch at no EGL vendor at all; the handler writes
    // the report with a mark of its own, so what reaches standard error shows who wrote it.
    EXPECT_EXIT(
        {
            setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/orv_no_vendor.json", 1);
            unsetenv("DISPLAY");
            unsetenv("WAYLAND_DISPLAY");
            OrvSetReportHandler([](const char* szText, void*)
                                { std::fprintf(stderr, "host log: %s\n", szText); },
                                nullptr);
            bool bCreated = false;
            {
                // Gone before the exit, which the leak check at exit would otherwise see.
                COrvTestDevice device;
                bCreated = static_cast<bool>(device);
            }
            std::exit(bCreated ? 1 : 0);
        },
        ::testing::ExitedWithCode(0),
        ::testing::Truly(
            [](const std::string& sOutput)
            {
                const std::string sLine = "Direct3D device creation failed: no headless OpenGL";
                const size_t uAt = sOutput.find(sLine);
                return uAt != std::string::npos && uAt >= 10 &&
                       sOutput.compare(uAt - 10, 10, "host log: ") == 0 &&
                       sOutput.find(sLine, uAt + 1) == std::string::npos;
            }));
}
