// What saving would drop from a demo file the engine read only in part: the file and the text
// the document would write, compared element by element.
#include "EditorDocument.h"

#include "document/OrvDemo.h"

#include <pugixml.hpp>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace
{
// Two attribute values the same once read: numbers compared as numbers (the engine writes
// "1.000000" for a file's "1"), anything else as text.
bool SameValue(const std::string& sA, const std::string& sB)
{
    if (sA == sB)
        return true;
    std::istringstream a(sA);
    std::istringstream b(sB);
    std::string sWordA;
    std::string sWordB;
    while (true)
    {
        const bool bA = static_cast<bool>(a >> sWordA);
        const bool bB = static_cast<bool>(b >> sWordB);
        if (!bA || !bB)
            return bA == bB;
        char* pEndA = nullptr;
        char* pEndB = nullptr;
        const double dA = std::strtod(sWordA.c_str(), &pEndA);
        const double dB = std::strtod(sWordB.c_str(), &pEndB);
        if (*pEndA != '\0' || *pEndB != '\0')
            return false;
        if (std::fabs(dA - dB) > 1e-6 * std::max(1.0, std::fabs(dA)))
            return false;
    }
}

class CComparer
{
public:
    CComparer(const std::string& sText, std::vector<std::string>& lines)
        : m_sText(sText), m_Lines(lines)
    {
    }

    // Children of the file's element matched to the saved element's by name and rank: the
    // second <Prop5> of the file with the second of the save.
    void Compare(const pugi::xml_node& file, const pugi::xml_node& saved)
    {
        CompareAttributes(file, saved);
        std::map<std::string, int> rank;
        for (pugi::xml_node child : file.children())
        {
            if (child.type() == pugi::node_comment)
            {
                Say(child, "a comment in <" + std::string(file.name()) + "> would be dropped");
                continue;
            }
            if (child.type() == pugi::node_pcdata && !IsBlank(child.value()))
            {
                Say(child, "the text \"" + std::string(child.value()) + "\" in <" + file.name() +
                               "> would be dropped");
                continue;
            }
            if (child.type() != pugi::node_element)
                continue;
            if (std::string(child.name()) == "key")
            {
                CompareKey(file, child, saved);
                continue;
            }
            const int iRank = rank[child.name()]++;
            const pugi::xml_node match = NthChild(saved, child.name(), iRank);
            if (!match)
                Say(child, "<" + std::string(child.name()) + "> in <" + file.name() +
                               "> would be dropped");
            else
                Compare(child, match);
        }
    }

private:
    // Keys by their frame: a track holds one key a frame, the last read of the file's.
    void CompareKey(const pugi::xml_node& track, const pugi::xml_node& key,
                    const pugi::xml_node& saved)
    {
        const std::string sFrame = key.attribute("frame").value();
        for (pugi::xml_node later = key.next_sibling("key"); later;
             later = later.next_sibling("key"))
            if (sFrame == later.attribute("frame").value())
            {
                Say(key, "the key at frame " + sFrame +
                             " is replaced by a later one at the "
                             "same frame");
                return;
            }
        const pugi::xml_node match = saved.find_child_by_attribute("key", "frame", sFrame.c_str());
        if (!match)
            Say(key,
                "<key> at frame \"" + sFrame + "\" in <" + track.name() + "> would be dropped");
        else
            CompareAttributes(key, match);
    }

    void CompareAttributes(const pugi::xml_node& file, const pugi::xml_node& saved)
    {
        for (pugi::xml_attribute attribute : file.attributes())
        {
            const pugi::xml_attribute match = saved.attribute(attribute.name());
            const std::string sWhere = " of <" + std::string(file.name()) + ">";
            if (!match)
                Say(file, "the attribute " + std::string(attribute.name()) + sWhere +
                              " would be dropped");
            else if (!SameValue(attribute.value(), match.value()))
                Say(file, std::string(attribute.name()) + sWhere + " \"" + attribute.value() +
                              "\" would be written \"" + match.value() + "\"");
        }
    }

    static pugi::xml_node NthChild(const pugi::xml_node& parent, const char* pName, int iRank)
    {
        for (pugi::xml_node child : parent.children(pName))
            if (iRank-- == 0)
                return child;
        return {};
    }

    static bool IsBlank(const char* pText)
    {
        for (; *pText; ++pText)
            if (!std::isspace(static_cast<unsigned char>(*pText)))
                return false;
        return true;
    }

    void Say(const pugi::xml_node& node, const std::string& sWhat)
    {
        const ptrdiff_t offset = node.offset_debug();
        const int iLine = offset >= 0 ? OrvLineOfOffset(m_sText, static_cast<size_t>(offset)) : 0;
        m_Lines.push_back("line " + std::to_string(iLine) + ": " + sWhat);
    }

    const std::string& m_sText;
    std::vector<std::string>& m_Lines;
};
} // namespace

std::vector<std::string> CEditorDocument::CompareWithSave()
{
    std::vector<std::string> lines;
    std::ifstream stream(GetDemoPath(), std::ios::binary);
    std::ostringstream contents;
    contents << stream.rdbuf();
    const std::string sFile = contents.str();
    pugi::xml_document file;
    if (!stream ||
        !file.load_buffer(sFile.data(), sFile.size(), pugi::parse_default | pugi::parse_comments))
    {
        lines.push_back("the file on disk cannot be read as a demo: it would be replaced whole");
        return lines;
    }
    const std::string sSaved = GetSaveText();
    pugi::xml_document saved;
    saved.load_buffer(sSaved.data(), sSaved.size());
    CComparer comparer(sFile, lines);
    // Comments, declarations and other roots than the demo's are not kept either.
    for (pugi::xml_node child : file.children())
    {
        if (child.type() == pugi::node_comment)
            lines.push_back("a comment would be dropped");
        else if (child.type() == pugi::node_element && std::string(child.name()) != "OrvDemo")
            lines.push_back("<" + std::string(child.name()) + "> would be dropped");
    }
    comparer.Compare(file.child("OrvDemo"), saved.child("OrvDemo"));
    return lines;
}
