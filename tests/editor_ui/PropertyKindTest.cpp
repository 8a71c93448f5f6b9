// What the inspector makes of the engine's properties: a widget per value type, colours,
// orientations, files of the right kind and references to resources of the right kind.
#include "PropertyKind.h"

#include "OrvKernel.h"
#include "OrvTestDemo.h"

#include <gtest/gtest.h>

namespace
{
SPropertyKind KindOf(COrvModifiable* pObject, ORV_PROP_ID id)
{
    for (COrvPropBase* pProp : pObject->GetProperties())
        if (pProp->GetPropId() == id)
            return ClassifyProperty(*pProp, pObject->GetClass());
    ADD_FAILURE() << "no property " << id << " on " << pObject->GetClass();
    return {};
}
} // namespace

TEST(PropertyKindTest, EachEngineValueTypeGetsItsWidget)
{
    COrvDemo demo;
    COrvModifiable* pSprite = demo.AddLayerSprite();
    COrvModifiable* pMaterial = demo.AddResMaterial();
    COrvModifiable* pParticles = demo.AddLayerParticles();
    COrvModifiable* pTarget = demo.AddResRenderTarget();
    EXPECT_EQ(KindOf(pSprite, ORV_PROP_VISIBLE).eWidget, EPropertyWidget::Bool);
    EXPECT_EQ(KindOf(pTarget, ORV_PROP_WIDTH).eWidget, EPropertyWidget::Int);
    EXPECT_EQ(KindOf(pMaterial, ORV_PROP_ALPHA).eWidget, EPropertyWidget::Float);
    EXPECT_EQ(KindOf(pMaterial, ORV_PROP_DIFFUSE_COLOR).eWidget, EPropertyWidget::Colour);
    EXPECT_EQ(KindOf(pSprite, ORV_PROP_TRANSLATION).eWidget, EPropertyWidget::Vector);
    EXPECT_EQ(KindOf(pSprite, ORV_PROP_ROTATION).eWidget, EPropertyWidget::Orientation);
    // The particles' rotation is a number, although it shares the identifier.
    EXPECT_EQ(KindOf(pParticles, ORV_PROP_ROTATION).eWidget, EPropertyWidget::Float);
    EXPECT_EQ(KindOf(pSprite, ORV_PROP_NAME).eWidget, EPropertyWidget::Text);
}

TEST(PropertyKindTest, NamesOfResourcesAndFilesAreOfTheirKind)
{
    COrvDemo demo;
    COrvModifiable* pSprite = demo.AddLayerSprite();
    COrvModifiable* pMaterial = demo.AddResMaterial();
    COrvModifiable* pWave = demo.AddLayerPPWave();

    const SPropertyKind material = KindOf(pSprite, ORV_PROP_MATERIAL_NAME);
    EXPECT_EQ(material.eWidget, EPropertyWidget::Resource);
    EXPECT_EQ(material.eResource, EResourceKind::Material);
    EXPECT_EQ(KindOf(pSprite, ORV_PROP_MESH_NAME).eResource, EResourceKind::Mesh);
    EXPECT_EQ(KindOf(pMaterial, ORV_PROP_TEXTURE_NAME_1).eResource, EResourceKind::Texture);
    EXPECT_EQ(KindOf(pMaterial, ORV_PROP_SHADER_NAME).eResource, EResourceKind::Shader);

    const SPropertyKind target = KindOf(pSprite, ORV_PROP_RENDER_TARGET);
    EXPECT_EQ(target.eResource, EResourceKind::RenderTarget);
    EXPECT_TRUE(target.bOutputName);
    EXPECT_TRUE(target.bNextName);
    const SPropertyKind input = KindOf(pWave, ORV_PROP_INPUT_SURFACE);
    EXPECT_EQ(input.eResource, EResourceKind::RenderTarget);
    EXPECT_FALSE(input.bNextName);

    const SPropertyKind image = KindOf(demo.AddResImage(), ORV_PROP_FILENAME);
    EXPECT_EQ(image.eWidget, EPropertyWidget::FileName);
    EXPECT_EQ(image.eFiles, EDataFileKind::Image);
    EXPECT_EQ(KindOf(demo.AddResObject3D(), ORV_PROP_FILENAME).eFiles, EDataFileKind::Mesh);
    EXPECT_EQ(KindOf(demo.AddResShader(), ORV_PROP_FILENAME).eFiles, EDataFileKind::Effect);
    EXPECT_EQ(KindOf(demo.GetMusic(), ORV_PROP_FILENAME).eFiles, EDataFileKind::Sound);
}

TEST(PropertyKindTest, ResourcesAreTellApartByKind)
{
    COrvDemo demo;
    auto* pImage = static_cast<COrvResource*>(demo.AddResImage());
    auto* pTarget = static_cast<COrvResource*>(demo.AddResRenderTarget());
    auto* pMaterial = static_cast<COrvResource*>(demo.AddResMaterial());
    EXPECT_TRUE(IsResourceOfKind(*pImage, EResourceKind::Texture));
    EXPECT_TRUE(IsResourceOfKind(*pTarget, EResourceKind::Texture));
    EXPECT_TRUE(IsResourceOfKind(*pTarget, EResourceKind::RenderTarget));
    EXPECT_FALSE(IsResourceOfKind(*pImage, EResourceKind::RenderTarget));
    EXPECT_FALSE(IsResourceOfKind(*pMaterial, EResourceKind::Texture));
    EXPECT_TRUE(IsResourceOfKind(*pMaterial, EResourceKind::Material));
    EXPECT_FALSE(IsResourceOfKind(*pMaterial, EResourceKind::None));

    EXPECT_TRUE(IsDataFileOfKind("Pics/Sky.JPEG", EDataFileKind::Image));
    EXPECT_FALSE(IsDataFileOfKind("dir.png/readme", EDataFileKind::Image));
    EXPECT_FALSE(IsDataFileOfKind("mesh.x.bak", EDataFileKind::Mesh));
    EXPECT_TRUE(IsDataFileOfKind("noextension", EDataFileKind::Any));
}

TEST(PropertyKindTest, AReferenceOffersTheResourcesOfItsKindInDocumentOrder)
{
    COrvDemo demo;
    demo.AddResImage()->SetName("picture");
    demo.AddResMaterial()->SetName("first material");
    demo.AddResRenderTarget()->SetName("target");
    demo.AddResMaterial()->SetName("second material");
    COrvModifiable* pSprite = demo.AddLayerSprite();
    EXPECT_EQ(ResourceChoices(demo, KindOf(pSprite, ORV_PROP_MATERIAL_NAME)),
              (std::vector<std::string>{"", "first material", "second material"}));
    EXPECT_EQ(ResourceChoices(demo, KindOf(pSprite, ORV_PROP_RENDER_TARGET)),
              (std::vector<std::string>{"", "OUTPUT", "NEXT", "target"}));
    COrvModifiable* pMaterial = demo.GetResources()[1];
    EXPECT_EQ(ResourceChoices(demo, KindOf(pMaterial, ORV_PROP_TEXTURE_NAME_0)),
              (std::vector<std::string>{"", "picture", "target"}));
}
