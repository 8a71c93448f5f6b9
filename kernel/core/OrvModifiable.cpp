#include "core/OrvModifiable.h"

#include "core/OrvProp.h"
#include "core/OrvText.h"

COrvModifiable::COrvModifiable()
{
    m_pName = AddProperty<COrvPropString>(ORV_PROP_NAME, "");
    m_pName->SetValue("Mon nom");
}

COrvModifiable::~COrvModifiable()
{
    m_Properties.clear();
}

std::string COrvModifiable::GetName() const
{
    return m_pName->GetValue();
}

void COrvModifiable::SetName(const std::string& name)
{
    m_pName->SetValue(name);
}

void COrvModifiable::DeleteKeys(int iFrom, int iTo)
{
    for (COrvPropBase* pProperty : m_Properties)
        pProperty->DeleteKeys(iFrom, iTo);
}

void COrvModifiable::Save(pugi::xml_document& doc, pugi::xml_node element) const
{
    for (const COrvPropBase* pProperty : m_Properties)
    {
        const std::string name = "Prop" + OrvFormatInt(pProperty->GetPropId());
        pProperty->Save(doc, element.append_child(name.c_str()));
    }
}

void COrvModifiable::Load(pugi::xml_node node)
{
    for (pugi::xml_node child : node.children())
    {
        if (child.type() != pugi::node_element)
            continue;
        // The prefix is not compared: "Prop12" and "Xxxx12" both name identifier 12.
        const std::string name = child.name();
        const int id = OrvParseInt(name.size() > 4 ? name.c_str() + 4 : "");
        for (COrvPropBase* pProperty : m_Properties)
        {
            if (pProperty->GetPropId() == id)
            {
                pProperty->Load(child);
                break;
            }
        }
    }
}
