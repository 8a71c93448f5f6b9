#include "EditorRefs.h"

#include "audio/OrvMusic.h"
#include "core/OrvKey.h"
#include "core/OrvModifiable.h"
#include "core/OrvProp.h"
#include "document/OrvDemo.h"
#include "graphics/OrvResource.h"
#include "layers/OrvLayer.h"

#include <algorithm>

namespace
{
template <typename T> COrvModifiable* AtIndex(const std::vector<T*>& items, size_t uIndex)
{
    return uIndex < items.size() ? items[uIndex] : nullptr;
}

template <typename T>
bool IndexIn(const std::vector<T*>& items, const COrvModifiable* pObject, size_t& uIndex)
{
    auto it = std::find(items.begin(), items.end(), pObject);
    if (it == items.end())
        return false;
    uIndex = static_cast<size_t>(it - items.begin());
    return true;
}
} // namespace

COrvModifiable* EditorFindObject(COrvDemo& demo, const SEditorObjectRef& ref)
{
    switch (ref.eList)
    {
    case EEditorList::Layers:
        return AtIndex(demo.GetLayers(), ref.uIndex);
    case EEditorList::Resources:
        return AtIndex(demo.GetResources(), ref.uIndex);
    case EEditorList::Music:
        return ref.uIndex == 0 ? demo.GetMusic() : nullptr;
    }
    return nullptr;
}

COrvPropBase* EditorFindProp(COrvDemo& demo, const SEditorPropRef& ref)
{
    COrvModifiable* pObject = EditorFindObject(demo, ref.object);
    if (!pObject)
        return nullptr;
    const COrvPropList& props = pObject->GetProperties();
    return ref.uProp < props.size() ? props[ref.uProp] : nullptr;
}

bool EditorRefOf(COrvDemo& demo, const COrvModifiable* pObject, SEditorObjectRef& ref)
{
    if (!pObject)
        return false;
    if (pObject == demo.GetMusic())
    {
        ref = {EEditorList::Music, 0};
        return true;
    }
    size_t uIndex = 0;
    if (IndexIn(demo.GetLayers(), pObject, uIndex))
    {
        ref = {EEditorList::Layers, uIndex};
        return true;
    }
    if (IndexIn(demo.GetResources(), pObject, uIndex))
    {
        ref = {EEditorList::Resources, uIndex};
        return true;
    }
    return false;
}
