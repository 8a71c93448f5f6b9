#include "OrvKernel.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
template <typename TKey> std::string Written(decltype(TKey::m_Value) value)
{
    TKey key;
    key.m_Value = value;
    std::string text;
    key.ToString(text);
    return text;
}

template <typename TKey> auto Read(const std::string& text)
{
    TKey key;
    key.FromString(text);
    return key.m_Value;
}

std::string ToXml(const pugi::xml_node& node)
{
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

// A modifiable with the Name property, then an Alpha float and a Visible bool.
class CThreeProps : public COrvModifiable
{
public:
    CThreeProps()
    {
        m_pAlpha.Assign(new COrvPropFloat(this, ORV_PROP_ALPHA));
        m_Properties.push_back(m_pAlpha.Get());
        m_pVisible.Assign(new COrvPropBool(this, ORV_PROP_VISIBLE));
        m_Properties.push_back(m_pVisible.Get());
    }
    COrvComPtr<COrvPropFloat> m_pAlpha;
    COrvComPtr<COrvPropBool> m_pVisible;
};

// Switches the process to a locale with a decimal comma, building one if the system has
// none installed (kept in the temporary directory for later runs); restores "C" afterwards.
class CommaLocale
{
public:
    CommaLocale()
    {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"})
            if (std::setlocale(LC_ALL, name))
                return;
        const char* pTemp = std::getenv("TMPDIR");
        const std::string cache = std::string(pTemp && *pTemp ? pTemp : "/tmp") + "/orv_locales";
        const std::string name = "de_DE.ISO-8859-1"; // 8-bit: compiles far faster than UTF-8
        mkdir(cache.c_str(), 0755);
        // (The C library remembers a failed attempt, so look before trying.)
        struct stat info;
        if (stat((cache + "/" + name).c_str(), &info) != 0)
        {
            // Built aside, then moved into place in one step so that concurrent runs never
            // see half a locale.
            std::string work = cache + "/build_XXXXXX";
            if (!mkdtemp(work.data()))
                return;
            const std::string command =
                "localedef -i de_DE -f ISO-8859-1 " + work + "/" + name + " >/dev/null 2>&1";
            if (std::system(command.c_str()) == 0)
                std::rename((work + "/" + name).c_str(), (cache + "/" + name).c_str());
            std::system(("rm -rf " + work).c_str());
        }
        setenv("LOCPATH", cache.c_str(), 1);
        std::setlocale(LC_ALL, name.c_str());
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
    bool Active() const { return std::localeconv()->decimal_point[0] == ','; }
};
} // namespace

TEST(PropertyText, ValuesAreWrittenAsTheFileExpects)
{
    EXPECT_EQ(Written<COrvKeyBool>(true), "true");
    EXPECT_EQ(Written<COrvKeyBool>(false), "false");
    EXPECT_EQ(Written<COrvKeyInt>(-42), "-42");
    EXPECT_EQ(Written<COrvKeyFloat>(0.5f), "0.500000");
    EXPECT_EQ(Written<COrvKeyFloat>(-1234.5678f), "-1234.567749");
    EXPECT_EQ(Written<COrvKeyFloat>(1e10f), "10000000000.000000");
    EXPECT_EQ(Written<COrvKeyVector>(D3DXVECTOR3(1.5f, -0.0001f, 1234567.0f)),
              "1.5 -0.0001 1.23457e+06");
    EXPECT_EQ(Written<COrvKeyQuat>(D3DXQUATERNION(0.0f, 0.707107f, 0.0f, 0.707107f)),
              "0.000000 0.707107 0.000000 0.707107");
    EXPECT_EQ(Written<COrvKeyString>(std::string(" a\tb ")), " a\tb ");
}

TEST(PropertyText, UnreadableTextsGiveTheFallbacks)
{
    EXPECT_FALSE(Read<COrvKeyBool>("TRUE"));
    EXPECT_FALSE(Read<COrvKeyBool>("1"));
    EXPECT_TRUE(Read<COrvKeyBool>("true"));
    EXPECT_EQ(Read<COrvKeyInt>("  -17xyz"), -17);
    EXPECT_EQ(Read<COrvKeyInt>("abc"), 0);
    EXPECT_EQ(Read<COrvKeyInt>("99999999999"), 2147483647);
    EXPECT_EQ(Read<COrvKeyFloat>(" 2.5e1 rest"), 25.0f);
    EXPECT_EQ(Read<COrvKeyFloat>("x1"), 0.0f);
    EXPECT_EQ(Read<COrvKeyVector>("1 2 3"), D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(Read<COrvKeyVector>("1 2"), D3DXVECTOR3(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(Read<COrvKeyQuat>("0.1 0.2 0.3 0.4"), D3DXQUATERNION(0.1f, 0.2f, 0.3f, 0.4f));
    EXPECT_EQ(Read<COrvKeyQuat>("0.1 0.2 0.3"), D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f));
}

TEST(PropertyText, FormsMatchPrintfAndScanfOfTheCLocale)
{
    // Random bit patterns cover every exponent, tiny and huge values, ties and signs.
    std::setlocale(LC_ALL, "C");
    std::mt19937 generator(7);
    for (int i = 0; i < 20000; ++i)
    {
        const uint32_t bits = generator();
        float value;
        std::memcpy(&value, &bits, sizeof(value));
        if (!std::isfinite(value))
            continue;
        char expected[128];
        std::snprintf(expected, sizeof(expected), "%f", value);
        ASSERT_EQ(OrvFormatFixed(value), expected) << bits;
        std::snprintf(expected, sizeof(expected), "%g", value);
        ASSERT_EQ(OrvFormatGeneral(value), expected) << bits;
        float scanned = 0.0f;
        ASSERT_EQ(std::sscanf(expected, "%g", &scanned), 1);
        float parsed = 0.0f;
        ASSERT_EQ(OrvParseFloats(expected, &parsed, 1), 1);
        ASSERT_EQ(parsed, scanned) << expected;
        ASSERT_EQ(OrvParseDouble(expected), std::atof(expected)) << expected;
    }
    for (const char* text : {"", "  +12", "-0", "2147483647", "-2147483648", "0x1A", " 7 8"})
        EXPECT_EQ(OrvParseInt(text), std::atoi(text)) << text;
}

TEST(PropertyText, TheDecimalPointHoldsUnderACommaLocale)
{
    CommaLocale locale;
    if (!locale.Active())
        GTEST_SKIP() << "no locale with a decimal comma available";
    EXPECT_EQ(Written<COrvKeyFloat>(0.5f), "0.500000");
    EXPECT_EQ(Written<COrvKeyVector>(D3DXVECTOR3(1.5f, 2.0f, 0.25f)), "1.5 2 0.25");
    EXPECT_EQ(Read<COrvKeyFloat>("2.75"), 2.75f);
    EXPECT_EQ(Read<COrvKeyVector>("1.5 2.5 3.5"), D3DXVECTOR3(1.5f, 2.5f, 3.5f));
    EXPECT_EQ(Read<COrvKeyQuat>("0.5 0.5 0.5 0.5"), D3DXQUATERNION(0.5f, 0.5f, 0.5f, 0.5f));
}

TEST(PropertyFile, SaveWritesFlagsDefaultAndTrackInOrder)
{
    COrvPropFloat prop(nullptr, ORV_PROP_ALPHA);
    prop.SetDefaultValue(0.25f);
    prop.SetInterpolate(false);
    auto* pKey = new COrvKeyFloat;
    pKey->m_Value = 2.0f;
    prop.AddKey(32, pKey);
    pKey = new COrvKeyFloat;
    pKey->m_Value = 1.0f;
    prop.AddKey(-3, pKey);
    pugi::xml_document doc;
    prop.Save(doc, doc.append_child("Prop0"));
    EXPECT_EQ(ToXml(doc),
              "<Prop0 bAnimable=\"1\" bInterpolate=\"0\" defaultValue=\"0.250000\"><track>"
              "<key frame=\"-3\" value=\"1.000000\"/><key frame=\"32\" value=\"2.000000\"/>"
              "</track></Prop0>");

    // Not animable: no track even though keys exist. Animable and empty: an empty track.
    prop.SetAnimable(false);
    pugi::xml_document flat;
    prop.Save(flat, flat.append_child("Prop0"));
    EXPECT_EQ(ToXml(flat), "<Prop0 bAnimable=\"0\" bInterpolate=\"0\" defaultValue=\"0.250000\"/>");
    COrvPropInt empty(nullptr, ORV_PROP_WIDTH);
    pugi::xml_document emptyDoc;
    empty.Save(emptyDoc, emptyDoc.append_child("Prop38"));
    EXPECT_EQ(ToXml(emptyDoc),
              "<Prop38 bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"0\"><track/></Prop38>");
}

TEST(PropertyFile, LoadMergesKeysAndKeepsWhatTheFileDoesNotName)
{
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(
        "<P bAnimable=\"1\" bInterpolate=\"1\" defaultValue=\"1 2 3\">"
        "<track><key frame=\"10\" value=\"4 5 6\"/><anything frame=\"20\" value=\"7 8 9\"/>"
        "</track><Track><key frame=\"30\" value=\"1 1 1\"/></Track>"
        "<track><key frame=\"40\"/><key value=\"2 2 2\"/></track></P>"));
    COrvPropVector prop(nullptr, ORV_PROP_TRANSLATION);
    prop.SetAnimable(false);
    auto* pKept = new COrvKeyVector;
    prop.AddKey(5, pKept);
    auto* pReplaced = new COrvKeyVector;
    prop.AddKey(10, pReplaced);
    prop.Load(doc.first_child());
    EXPECT_TRUE(prop.GetAnimable());
    const auto& track = prop.GetTrack();
    ASSERT_EQ(track.size(), 3u);
    EXPECT_EQ(track.at(5), pKept);
    EXPECT_EQ(static_cast<COrvKeyVector*>(track.at(10))->m_Value, D3DXVECTOR3(4, 5, 6));
    EXPECT_EQ(static_cast<COrvKeyVector*>(track.at(20))->m_Value, D3DXVECTOR3(7, 8, 9));
    COrvPropBase::SetFrame(0.0f);
    EXPECT_EQ(prop.GetValue(), D3DXVECTOR3(1, 2, 3));

    // Missing attributes keep the current values.
    pugi::xml_document bare;
    bare.append_child("P");
    prop.Load(bare.first_child());
    EXPECT_TRUE(prop.GetAnimable());
    EXPECT_EQ(prop.GetValue(), D3DXVECTOR3(1, 2, 3));
}

TEST(PropertyFile, SaveAndLoadRoundTripEveryType)
{
    COrvPropQuat quat(nullptr, ORV_PROP_ROTATION);
    auto* pKey = new COrvKeyQuat;
    pKey->m_Value = D3DXQUATERNION(0.5f, -0.5f, 0.5f, 0.5f);
    quat.AddKey(7, pKey);
    COrvPropString text(nullptr, ORV_PROP_FILENAME);
    text.SetValue("mesh \"one\" & <two>.x");
    pugi::xml_document doc;
    quat.Save(doc, doc.append_child("Prop31"));
    text.Save(doc, doc.append_child("Prop5"));

    COrvPropQuat quatBack(nullptr, ORV_PROP_ROTATION);
    COrvPropString textBack(nullptr, ORV_PROP_FILENAME);
    quatBack.Load(doc.child("Prop31"));
    textBack.Load(doc.child("Prop5"));
    ASSERT_EQ(quatBack.GetTrack().size(), 1u);
    EXPECT_EQ(static_cast<COrvKeyQuat*>(quatBack.GetTrack().at(7))->m_Value, pKey->m_Value);
    EXPECT_EQ(textBack.GetValue(), "mesh \"one\" & <two>.x");
    EXPECT_FALSE(textBack.GetAnimable());
}

TEST(Modifiable, StartsWithTheNamePropertyOnly)
{
    COrvModifiable object;
    ASSERT_EQ(object.GetProperties().size(), 1u);
    EXPECT_EQ(object.GetProperties()[0]->GetPropId(), ORV_PROP_NAME);
    EXPECT_EQ(object.GetName(), "Mon nom");
    object.SetName("Layer 1");
    EXPECT_EQ(object.GetName(), "Layer 1");
    EXPECT_TRUE(object.GetProperties()[0]->GetTrack().empty());
}

TEST(Modifiable, SavesInListOrderAndLoadsByNumber)
{
    CThreeProps object;
    object.SetName("box");
    object.m_pAlpha->SetDefaultValue(0.5f);
    pugi::xml_document doc;
    pugi::xml_node element = doc.append_child("CThreeProps");
    object.Save(doc, element);
    std::vector<std::string> names;
    for (pugi::xml_node child : element.children())
        names.push_back(child.name());
    EXPECT_EQ(names, (std::vector<std::string>{"Prop4", "Prop0", "Prop1"}));
    EXPECT_FALSE(element.first_attribute());

    pugi::xml_document file;
    ASSERT_TRUE(file.load_string("<X><Xxxx1 bAnimable=\"0\" defaultValue=\"true\"/>"
                                 "<!-- note --><Prop99 defaultValue=\"9\"/>"
                                 "<Prop defaultValue=\"0.75\"/>"
                                 "<Prop4 defaultValue=\"loaded\"/></X>",
                                 pugi::parse_default | pugi::parse_comments));
    CThreeProps loaded;
    loaded.Load(file.first_child());
    EXPECT_EQ(loaded.GetName(), "loaded");
    EXPECT_EQ(loaded.m_pAlpha->GetValue(), 0.75f); // "Prop" with no digits is identifier 0
    EXPECT_TRUE(loaded.m_pVisible->GetValue());
    EXPECT_FALSE(loaded.m_pVisible->GetAnimable());
    EXPECT_EQ(loaded.GetProperties().size(), 3u);
}

TEST(Modifiable, DeleteKeysReachesEveryProperty)
{
    CThreeProps object;
    COrvPropBase::SetFrame(12.0f);
    object.m_pAlpha->SetValue(1.0f);
    object.m_pVisible->SetValue(true);
    object.DeleteKeys(12, 0);
    EXPECT_TRUE(object.m_pAlpha->GetTrack().empty());
    EXPECT_TRUE(object.m_pVisible->GetTrack().empty());
    COrvPropBase::SetFrame(0.0f);
}

TEST(PropertyId, DisplayNamesAndUnknownIdsSurviveAFile)
{
    EXPECT_EQ(COrvPropFloat(nullptr, ORV_PROP_ALPHA).GetPropIdString(), "Alpha");
    EXPECT_EQ(COrvPropString(nullptr, ORV_PROP_RENDER_TARGET).GetPropIdString(), "Render taget");
    EXPECT_EQ(COrvPropBool(nullptr, ORV_PROP_AUTOSIZE).GetPropIdString(), "AutoSize");
    EXPECT_EQ(COrvPropFloat(nullptr, ORV_PROP_OFFSET).GetPropIdString(), "Offset");

    class CUnknownIds : public COrvModifiable
    {
    public:
        CUnknownIds()
        {
            for (int id : {54, -1})
            {
                m_Owned.emplace_back(new COrvPropInt(this, static_cast<ORV_PROP_ID>(id)));
                m_Properties.push_back(m_Owned.back().Get());
            }
        }
        std::vector<COrvComPtr<COrvPropInt>> m_Owned;
    };
    CUnknownIds object;
    EXPECT_EQ(object.m_Owned[0]->GetPropIdString(), "unknow property");
    EXPECT_EQ(object.m_Owned[1]->GetPropIdString(), "unknow property");
    object.m_Owned[0]->SetDefaultValue(54);
    object.m_Owned[1]->SetDefaultValue(-1);
    pugi::xml_document doc;
    object.Save(doc, doc.append_child("O"));
    EXPECT_TRUE(doc.first_child().child("Prop54"));
    EXPECT_TRUE(doc.first_child().child("Prop-1"));
    CUnknownIds back;
    back.Load(doc.first_child());
    EXPECT_EQ(back.m_Owned[0]->GetValue(), 54);
    EXPECT_EQ(back.m_Owned[1]->GetValue(), -1);
}
