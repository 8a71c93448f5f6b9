// A file dropped on the editor becomes part of the demo: copied into its data folder and
// given to the object that takes it.
#include "DataFiles.h"
#include "EditorContext.h"
#include "EditorDocument.h"
#include "EditorPanels.h"
#include "EditorSelection.h"
#include "PanelCommon.h"
#include "PanelState.h"
#include "PropertyKind.h"
#include "PropertyWidgets.h"

#include "core/OrvModifiable.h"
#include "core/OrvPropBase.h"
#include "document/OrvDemo.h"

#include <filesystem>

namespace
{
EDataFileKind KindOfFile(const std::string& sPath)
{
    for (EDataFileKind eKind :
         {EDataFileKind::Image, EDataFileKind::Mesh, EDataFileKind::Effect, EDataFileKind::Sound})
        if (IsDataFileOfKind(sPath, eKind))
            return eKind;
    return EDataFileKind::Any;
}

// The "Filename" of the object when it takes files of the kind.
bool FileOf(COrvDemo& demo, const SEditorObjectRef& object, EDataFileKind eKind,
            SEditorPropRef& ref)
{
    COrvModifiable* pObject = EditorFindObject(demo, object);
    if (!pObject)
        return false;
    const COrvPropList& vProps = pObject->GetProperties();
    for (size_t i = 0; i < vProps.size(); ++i)
    {
        const SPropertyKind kind = ClassifyProperty(*vProps[i], pObject->GetClass());
        if (kind.eWidget == EPropertyWidget::FileName && kind.eFiles == eKind)
        {
            ref = SEditorPropRef{object, i};
            return true;
        }
    }
    return false;
}

EEditorFactory FactoryOf(EDataFileKind eKind)
{
    switch (eKind)
    {
    case EDataFileKind::Mesh:
        return EEditorFactory::ResObject3D;
    case EDataFileKind::Effect:
        return EEditorFactory::ResShader;
    default:
        return EEditorFactory::ResImage;
    }
}

bool GiveFile(SEditorContext& context, const SEditorPropRef& ref, const std::string& sName)
{
    COrvPropBase* pProp = EditorFindProp(context.pDocument->GetDemo(), ref);
    return pProp && orv::editor::CommitValue(context, ref, *pProp, sName, false);
}
} // namespace

bool UseDroppedFile(SEditorContext& context, const std::string& sPath)
{
    using namespace orv::editor;
    if (!context.pDocument || !context.pDocument->IsOpen())
        return false;
    const EDataFileKind eKind = KindOfFile(sPath);
    const std::string sFile = std::filesystem::path(sPath).filename().string();
    if (eKind == EDataFileKind::Any)
    {
        SetStatus(context,
                  sFile + " is not a picture, mesh, effect or sound file the demo can use");
        return false;
    }
    COrvDemo& demo = context.pDocument->GetDemo();
    std::string sName;
    std::string sError;
    if (!ImportDataFile(demo.GetDataDir(), sPath, sName, sError))
    {
        SetStatus(context, sError);
        return false;
    }
    SEditorObjectRef primary;
    SEditorPropRef file;
    if (context.pSelection && context.pSelection->GetPrimary(primary) &&
        FileOf(demo, primary, eKind, file))
    {
        GiveFile(context, file, sName); // nothing to do when it already names that file
        return true;
    }
    if (eKind == EDataFileKind::Sound)
        return RunCommand(context, EditorSetMusicFile(sName));
    if (!RunCommand(context, EditorAddObject(FactoryOf(eKind), context.fFrame)))
        return false;
    SEditorObjectRef added;
    if (!context.pDocument->GetLastAffected(added) || !FileOf(demo, added, eKind, file))
        return false;
    if (context.pSelection)
        context.pSelection->SelectObject(added);
    GiveFile(context, file, sName);
    return true;
}
