// Reading and writing demo files: one XML document, root "OrvDemo" with the music track,
// the resources and the layers, each as the list of its properties.
#include "document/OrvDemo.h"

#include "audio/OrvMusic.h"
#include "core/OrvSniffer.h"
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
    explicit COrvDemoReader(COrvDemo& demo) : m_Demo(demo) {}

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
                continue;
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
                continue;
            m_Demo.AddLayer(pLayer);
            pLayer->Load(child);
        }
    }

private:
    COrvDemo& m_Demo;
};

bool COrvDemo::Load(std::string fileName)
{
    std::setlocale(LC_ALL, "C");
    std::unique_ptr<pugi::xml_document> pDocument = CreateXmlDocument();
    if (!pDocument)
        return false;
    const pugi::xml_parse_result result =
        pDocument->load_file(fileName.c_str(), pugi::parse_default);
    RefreshDataDir();
    if (!result)
    {
        SnifferMessage(("Demo file not loaded: " + fileName + ": " + result.description()).c_str());
        return false;
    }
    const pugi::xml_node root = pDocument->find_node([](const pugi::xml_node& node)
                                                     { return IsElementNamed(node, "OrvDemo"); });
    if (!root)
    {
        SnifferMessage(("Demo file without an OrvDemo element: " + fileName).c_str());
        return true;
    }
    if (OrvParseInt(root.attribute("version").as_string()) < 1)
    {
        SnifferMessage(("Demo file of an unknown version: " + fileName).c_str());
        return true;
    }
    ReleaseLists();
    COrvDemoReader reader(*this);
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
