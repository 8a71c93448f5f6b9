#pragma once

// Helpers of the player's tests: a demo in a scratch folder that the tests edit as a demo
// maker would, and the pictures it draws.
#include <sndfile.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace orv::test::player
{

// A small demo: a checker image on a sprite, an effect file, and a 20-second tone at 120
// beats per minute as its music. Removed, with the current directory restored, at the end.
class CScratchDemo
{
public:
    explicit CScratchDemo(const std::string& sName)
        : m_previous(std::filesystem::current_path()),
          m_path(std::filesystem::temp_directory_path() /
                 ("orv_" + sName + "_" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path / "data");
        std::filesystem::copy_file(std::filesystem::path(ORV_SOURCE_ROOT) /
                                       "tests/document/data/golden/data/checker.bmp",
                                   m_path / "data" / "checker.bmp");
        WriteTone("data/tone.wav", 20);
        Write("data/plain.fx", PlainEffect(false));
        Write("demo.orv", DemoText("-0.3 0 0"));
    }
    ~CScratchDemo()
    {
        std::filesystem::current_path(m_previous);
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
        // A renamed demo folder goes too.
        std::filesystem::remove_all(m_path.string() + ".moved", ec);
    }
    const std::filesystem::path& Path() const { return m_path; }
    std::string File(const std::string& sRelative) const { return (m_path / sRelative).string(); }

    void Write(const std::string& sRelative, const std::string& sText) const
    {
        std::ofstream(m_path / sRelative, std::ios::binary) << sText;
    }
    // Saves as many editors do: a temporary file beside it, then a rename over it.
    void SaveByRename(const std::string& sRelative, const std::string& sText) const
    {
        const std::filesystem::path temporary = m_path / (sRelative + ".tmp~");
        std::ofstream(temporary, std::ios::binary) << sText;
        std::filesystem::rename(temporary, m_path / sRelative);
    }
    void WriteTone(const std::string& sRelative, int iSeconds) const
    {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* pFile = sf_open(File(sRelative).c_str(), SFM_WRITE, &info);
        std::vector<short> samples(static_cast<size_t>(44100) * 2 * iSeconds);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<short>(3000.0 * std::sin(static_cast<double>(i) * 0.03));
        sf_write_short(pFile, samples.data(), static_cast<sf_count_t>(samples.size()));
        sf_close(pFile);
    }

    static std::string DemoText(const std::string& sTranslation,
                                const std::string& sImage = "checker.bmp")
    {
        return "<OrvDemo version=\"1\">\n"
               "<music><Prop15 defaultValue=\"120\"/><Prop5 defaultValue=\"tone.wav\"/></music>\n"
               "<Resources>\n"
               "<COrvResImage><Prop4 defaultValue=\"checker\"/><Prop5 defaultValue=\"" +
               sImage +
               "\"/></COrvResImage>\n"
               "<COrvResMaterial><Prop4 defaultValue=\"checker material\"/>"
               "<Prop0 defaultValue=\"1\"><track><key frame=\"0\" value=\"1\"/></track></Prop0>"
               "<Prop32 defaultValue=\"checker\"/>"
               "<Prop33 defaultValue=\"1 1 1\"/></COrvResMaterial>\n"
               "<COrvResShader><Prop4 defaultValue=\"fx\"/><Prop5 defaultValue=\"plain.fx\"/>"
               "</COrvResShader>\n"
               "</Resources>\n<Layers>\n"
               "<COrvLayerSprite><Prop4 defaultValue=\"sprite\"/>"
               "<Prop29 defaultValue=\"checker material\"/><Prop30 defaultValue=\"" +
               sTranslation + "\"/></COrvLayerSprite>\n</Layers>\n</OrvDemo>\n";
    }
    // A working effect, or one whose third line does not compile.
    static std::string PlainEffect(bool bBroken)
    {
        return std::string("float4 PS(float2 t : TEXCOORD0) : COLOR0\n{\n") +
               (bBroken ? "    return Undeclared;\n" : "    return float4(t, 0, 1);\n") +
               "}\ntechnique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n";
    }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
};

} // namespace orv::test::player
