#include "core/OrvSniffer.h"

#include <cstdlib>
#include <fstream>
#include <locale>

namespace
{
std::string DefaultSnifferPath()
{
    if (const char* pPath = std::getenv("ORV_SNIFFER"); pPath && *pPath)
        return pPath;
    const char* pDir = std::getenv("TMPDIR");
    std::string dir = (pDir && *pDir) ? pDir : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return dir + "sniffer.txt";
}

// Lines end with CR LF, as in a text-mode file on the original platform.
constexpr const char* kLineEnd = "\r\n";

class ORV_Sniffer
{
public:
    ORV_Sniffer() : m_Path(DefaultSnifferPath())
    {
        m_File.imbue(std::locale::classic());
        m_File.open(m_Path, std::ios::out | std::ios::trunc | std::ios::binary);
        const std::string rule(32, '-');
        m_File << rule << kLineEnd << "ORV_Sniffer / " << m_Path << kLineEnd << rule << kLineEnd;
        m_File.flush();
    }
    virtual ~ORV_Sniffer() = default;

    void Line(const std::string& text)
    {
        for (int i = 0; i < m_iDepth; ++i)
            m_File << "   ";
        m_File << text << kLineEnd;
        m_File.flush();
    }

    void Value(const char* pName, double value)
    {
        for (int i = 0; i < m_iDepth; ++i)
            m_File << "   ";
        m_File << pName << " = " << value << kLineEnd;
        m_File.flush();
    }

    void Enter(const char* pName)
    {
        Line(std::string(pName) + "()");
        Line("{");
        ++m_iDepth;
    }

    void Leave()
    {
        --m_iDepth;
        Line("}");
    }

    const std::string& GetPath() const { return m_Path; }

private:
    std::string m_Path;
    std::ofstream m_File;
    int m_iDepth = 0;
};

// Constructed at library load, destroyed at unload.
ORV_Sniffer g_Sniffer;
} // namespace

void SnifferEnter(const char* pName)
{
    g_Sniffer.Enter(pName ? pName : "");
}

void SnifferLeave()
{
    g_Sniffer.Leave();
}

void SnifferMessage(const char* pText)
{
    g_Sniffer.Line(pText ? pText : "");
}

void SnifferValue(const char* pName, double value)
{
    g_Sniffer.Value(pName ? pName : "", value);
}

std::string SnifferGetPath()
{
    return g_Sniffer.GetPath();
}
