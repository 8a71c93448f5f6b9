// Reading and writing demo files: one XML document, root "OrvDemo" with the music track,
// the resources and the layers, each as the list of its properties.
#include "document/OrvDemo.h"

#include "audio/OrvMusic.h"
#include "core/OrvSniffer.h"
#include "core/OrvPropBase.h"
#include "core/OrvText.h"
#include "document/OrvDemoClasses.h"
#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <pugixml.hpp>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <memory>
#include <new>
#include <unistd.h>

namespace
{
// The parser set-up: the DOM document. pugixml loads synchronously, validates nothing and
// resolves no external entities by construction, so only the allocation can fail.
std::unique_ptr<pugi::xml_document> CreateXmlDocument()
{
    std::unique_ptr<pugi::xml_document> pDocument(new (std::nothrow) pugi::xml_document);
    if (!pDocument)
    {
        std::printf("Failed to CoCreate an instance of an XML DOM\n");
        std::printf("Error code: %x\n", static_cast<unsigned>(E_OUTOFMEMORY));
    }
    return pDocument;
}

// Collects the serialised XML straight into a string.
class CStringWriter : public pugi::xml_writer
{
public:
    explicit CStringWriter(std::string& text) : m_Text(text) {}
    void write(const void* pData, size_t size) override
    {
        m_Text.append(static_cast<const char*>(pData), size);
    }

private:
    std::string& m_Text;
};

bool IsElementNamed(const pugi::xml_node& node, const char* pName)
{
    return node.type() == pugi::node_element && std::strcmp(node.name(), pName) == 0;
}
} // namespace

// Builds the lists from the "Resources" and "Layers" elements of a demo file.
class COrvDemoReader
{
public:
    COrvDemoReader(COrvDemo& demo, const std::string& path, const std::string& text)
        : m_Demo(demo), m_Path(path), m_Text(text)
    {
    }

    void ReadMusic(const pugi::xml_node& element)
    {
        m_Demo.m_pMusic->BassStop();
        m_Demo.m_pMusic->Load(element);
        m_Demo.m_pMusic->BassInit();
    }

    void ReadResources(const pugi::xml_node& element)
    {
        for (pugi::xml_node child : element.children())
        {
            if (child.type() != pugi::node_element)
                continue;
            COrvResource* pResource = OrvCreateResourceByClass(child.name());
            if (!pResource)
            {
                ReportUnknown(child, "resource");
                continue;
            }
            m_Demo.AddResource(pResource);
            pResource->Load(child);
        }
    }

    void ReadLayers(const pugi::xml_node& element)
    {
        for (pugi::xml_node child : element.children())
        {
            if (child.type() != pugi::node_element)
                continue;
            COrvLayer* pLayer = OrvCreateLayerByClass(child.name(), &m_Demo);
            if (!pLayer)
            {
                ReportUnknown(child, "layer");
                continue;
            }
            m_Demo.AddLayer(pLayer);
            pLayer->Load(child);
        }
    }

private:
    // An element of a kind this engine does not make is left out, and said so, with the
    // name its Name property gives it when it has one.
    void ReportUnknown(const pugi::xml_node& element, const char* pWhat)
    {
        const ptrdiff_t offset = element.offset_debug();
        const int line = offset >= 0 ? OrvLineOfOffset(m_Text, static_cast<size_t>(offset)) : 0;
        const std::string nameElement = "Prop" + std::to_string(ORV_PROP_NAME);
        m_Demo.ReportProblem(
            {m_Path, line, std::string("unknown ") + pWhat + " kind <" + element.name() + ">",
             element.child(nameElement.c_str()).attribute("defaultValue").as_string()});
    }

    COrvDemo& m_Demo;
    const std::string& m_Path;
    const std::string& m_Text;
};

namespace
{
// The whole file as bytes; false when it cannot be read.
bool ReadWholeFile(const std::string& fileName, std::string& text)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad())
        return false;
    text = contents.str();
    return true;
}

// A demo file reads the same whatever frame the host shows: the keys that new objects
// give themselves (a material's first alpha, say) go to frame 0, as at start-up, and the
// file's keys at frame 0 replace them. Without this, a demo loaded again while it plays
// kept keys at the frame shown then, and a faded-out material could hide a sprite.
class CFrameZeroWhileReading
{
public:
    CFrameZeroWhileReading() : m_fSaved(COrvPropBase::m_siFrame) { COrvPropBase::SetFrame(0.0f); }
    ~CFrameZeroWhileReading() { COrvPropBase::SetFrame(m_fSaved); }
    CFrameZeroWhileReading(const CFrameZeroWhileReading&) = delete;
    CFrameZeroWhileReading& operator=(const CFrameZeroWhileReading&) = delete;

private:
    float m_fSaved;
};

std::string AbsolutePath(const std::string& fileName)
{
    if (!fileName.empty() && fileName[0] == '/')
        return fileName;
    char buffer[4096] = {};
    if (!getcwd(buffer, sizeof(buffer)))
        return fileName;
    return std::string(buffer) + "/" + fileName;
}
} // namespace

bool COrvDemo::Load(std::string fileName)
{
    std::setlocale(LC_ALL, "C");
    std::unique_ptr<pugi::xml_document> pDocument = CreateXmlDocument();
    if (!pDocument)
        return false;
    m_Problems.clear();
    const std::string path = AbsolutePath(fileName);
    std::string text;
    const bool readable = ReadWholeFile(fileName, text);
    const pugi::xml_parse_result result =
        readable ? pDocument->load_buffer(text.data(), text.size(), pugi::parse_default)
                 : pugi::xml_parse_result();
    RefreshDataDir();
    if (!readable || !result)
    {
        SnifferMessage(("Demo file not loaded: " + fileName + ": " +
                        (readable ? result.description() : "cannot read the file"))
                           .c_str());
        ReportProblem({path,
                       readable ? OrvLineOfOffset(text, static_cast<size_t>(result.offset)) : 0,
                       readable ? result.description() : "cannot read the file", ""});
        return false;
    }
    const pugi::xml_node root = pDocument->find_node([](const pugi::xml_node& node)
                                                     { return IsElementNamed(node, "OrvDemo"); });
    if (!root)
    {
        SnifferMessage(("Demo file without an OrvDemo element: " + fileName).c_str());
        ReportProblem({path, 0, "no <OrvDemo> element", ""});
        return true;
    }
    if (OrvParseInt(root.attribute("version").as_string()) < 1)
    {
        SnifferMessage(("Demo file of an unknown version: " + fileName).c_str());
        ReportProblem({path, 0, "unknown version of the demo file", ""});
        return true;
    }
    ReleaseLists();
    CFrameZeroWhileReading frameZero;
    COrvDemoReader reader(*this, path, text);
    for (pugi::xml_node child : root.children())
    {
        if (IsElementNamed(child, "music"))
            reader.ReadMusic(child);
        else if (IsElementNamed(child, "Resources"))
            reader.ReadResources(child);
        else if (IsElementNamed(child, "Layers"))
            reader.ReadLayers(child);
    }
    return true;
}

bool COrvDemo::Save(std::string& text)
{
    std::setlocale(LC_ALL, "C");
    std::unique_ptr<pugi::xml_document> pDocument = CreateXmlDocument();
    if (!pDocument)
        return false;
    pugi::xml_document& document = *pDocument;
    pugi::xml_node root = document.append_child("OrvDemo");
    root.append_attribute("version").set_value("1");
    m_pMusic->Save(document, root.append_child("music"));
    pugi::xml_node resources = root.append_child("Resources");
    for (COrvResource* pResource : m_Resources)
        pResource->Save(document, resources.append_child(pResource->GetClass().c_str()));
    pugi::xml_node layers = root.append_child("Layers");
    for (COrvLayer* pLayer : m_Layers)
        pLayer->Save(document, layers.append_child(pLayer->GetClass().c_str()));
    std::string result;
    CStringWriter writer(result);
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration);
    text.swap(result);
    return true;
}

namespace
{
bool WriteAll(int fd, const std::string& text)
{
    size_t written = 0;
    while (written < text.size())
    {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += static_cast<size_t>(n);
    }
    return true;
}
} // namespace

bool COrvDemo::SaveToFile(const std::string& fileName)
{
    std::string text;
    if (!Save(text))
        return false;
    std::string temporary = fileName + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
    {
        SnifferMessage(("Demo file not saved: " + fileName).c_str());
        return false;
    }
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0;
    // mkstemp makes the file private; a demo is an ordinary document.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ok = ::fchmod(fd, 0666 & ~mask) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = std::rename(temporary.c_str(), fileName.c_str()) == 0;
    if (!ok)
    {
        std::remove(temporary.c_str());
        SnifferMessage(("Demo file not saved: " + fileName).c_str());
    }
    return ok;
}
