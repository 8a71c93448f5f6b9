#pragma once
// What kind of value a property holds, as the inspector edits it. The engine's properties
// carry a value type (bool, int, float, vector, quaternion, text); their identifier tells
// what a text or vector means: a file in the demo's data folder, the name of a resource of
// one kind, the target a layer draws into, a colour.

#include "core/OrvPropId.h"

#include <string>
#include <vector>

class COrvDemo;
class COrvPropBase;
class COrvResource;

enum class EPropertyWidget
{
    Bool,
    Int,
    Float,
    Vector,
    Colour,
    Orientation,
    Text,
    FileName,
    Resource,
    Unknown,
};

// The kinds of resource a reference may name.
enum class EResourceKind
{
    None,
    Texture, // an image or a render target
    Material,
    Mesh,
    Shader,
    RenderTarget,
};

// The files a file-name property takes, by extension.
enum class EDataFileKind
{
    Any,
    Image,
    Mesh,
    Effect,
    Sound,
};

struct SPropertyKind
{
    EPropertyWidget eWidget = EPropertyWidget::Unknown;
    EResourceKind eResource = EResourceKind::None;
    EDataFileKind eFiles = EDataFileKind::Any;
    // A render target reference may also name the window's picture ("OUTPUT") and, for the
    // target a layer draws into, the input of the next post-process layer ("NEXT").
    bool bOutputName = false;
    bool bNextName = false;
};

// The kind of a property of the object; pOwnerClass is the object's class name (it tells
// which files a "Filename" takes).
SPropertyKind ClassifyProperty(const COrvPropBase& prop, const std::string& sOwnerClass);

// Whether the resource is of the kind.
bool IsResourceOfKind(const COrvResource& resource, EResourceKind eKind);

// The names a resource reference may take, as a list offers them: none (""), then "OUTPUT"
// and "NEXT" where the kind allows them, then the demo's resources of the kind in document
// order.
std::vector<std::string> ResourceChoices(const COrvDemo& demo, const SPropertyKind& kind);

// Whether a file name has one of the extensions of the kind (case does not matter).
bool IsDataFileOfKind(const std::string& sName, EDataFileKind eKind);
