#include "EditorTestDemo.h"

SEditorPropRef PropRefOf(CEditorDocument& document, const SEditorObjectRef& object, ORV_PROP_ID id)
{
    COrvModifiable* pObject = EditorFindObject(document.GetDemo(), object);
    EXPECT_NE(pObject, nullptr);
    if (!pObject)
        return {};
    const COrvPropList& props = pObject->GetProperties();
    for (size_t i = 0; i < props.size(); ++i)
        if (props[i]->GetPropId() == id)
            return {object, i};
    ADD_FAILURE() << "no property " << id << " in " << pObject->GetClass();
    return {object, props.size()};
}
