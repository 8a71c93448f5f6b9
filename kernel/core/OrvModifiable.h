#pragma once

#include "OrvComPtr.h"
#include "OrvExport.h"
#include "core/OrvObject.h"
#include "core/OrvPropId.h"

#include <pugixml.hpp>
#include <string>
#include <vector>

class COrvLayerPlacement;
class COrvPropBase;
class COrvPropString;

typedef std::vector<COrvPropBase*> COrvPropList;

// An object a user edits: a Name property and an ordered list of animated properties.
// The list only points; the class that creates a property holds its reference in a
// COrvComPtr member. Subclass constructors append their properties after those of
// their bases.
class ORV_API COrvModifiable : public COrvObject
{
public:
    // Creates the Name property, set to "Mon nom", as the first entry of the list.
    COrvModifiable();
    ~COrvModifiable() override;

    virtual const COrvPropList& GetProperties() const { return m_Properties; }

    std::string GetName() const;
    void SetName(const std::string& name);

    // DeleteKeys on every property, in list order.
    void DeleteKeys(int iFrom, int iTo);
    void CopyKeys(int, int, int) {}

    // Writes each property as a child element "Prop<id>" of the element, in list order.
    void Save(pugi::xml_document& doc, pugi::xml_node element) const;
    // Gives each child element to the first property whose identifier is the number after
    // the child's first four characters; children that match none are skipped.
    void Load(pugi::xml_node node);

protected:
    // The placement helper that layers hold adds their shared properties on their behalf.
    friend class COrvLayerPlacement;

    // Creates a property owned by this object, sets its default value and appends it to the
    // list; the object keeps what this returns as its owning reference.
    template <typename TProp, typename TValue>
    COrvComPtr<TProp> AddProperty(ORV_PROP_ID id, const TValue& value)
    {
        COrvComPtr<TProp> prop(new TProp(this, id));
        prop->SetDefaultValue(value);
        m_Properties.push_back(prop.Get());
        return prop;
    }

    COrvPropList m_Properties;
    COrvComPtr<COrvPropString> m_pName;
};
