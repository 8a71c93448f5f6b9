#pragma once

#include "OrvExport.h"
#include "core/OrvObject.h"
#include "document/OrvLoadProblem.h"

#include "d3d9.h"

#include <string>
#include <vector>

class COrvLayer;
class COrvModifiable;
class COrvMusic;
class COrvResource;
class ORV_FrameProfile;

// Viewport of the "OUTPUT" target: a 16:9 band inside a surface of width × height. The
// band takes the full width and is centred vertically (letter-box); on a surface wider
// than 16:9 it takes the full height and is centred horizontally (pillar-box) instead.
ORV_API D3DVIEWPORT9 OrvOutputViewport(UINT width, UINT height);

// The demo document: the ordered resources and layers, the music track, the data
// directory every file of the demo is read from, and the output size. A host constructs
// it, loads a demo file, hands it a device and draws frames.
class ORV_API COrvDemo : public COrvObject
{
public:
    COrvDemo();
    ~COrvDemo() override;

    const std::vector<COrvLayer*>& GetLayers() const { return m_Layers; }
    const std::vector<COrvResource*>& GetResources() const { return m_Resources; }
    COrvMusic* GetMusic() { return m_pMusic.Get(); }
    const std::string& GetDataDir() const { return m_DataDir; }
    // Makes the data directory the process's current directory; false when it cannot.
    bool EnterDataDir() const;
    // The path of a file the demo names: in the data directory unless it is absolute.
    std::string GetDataPath(const std::string& name) const;

    // What the loaders could not use since the last Load or ClearProblems, oldest first
    // (at most a hundred are kept). Missing or broken files still leave the demo drawable;
    // a host shows these to the user.
    const std::vector<ORV_LoadProblem>& GetProblems() const { return m_Problems; }
    void ClearProblems() { m_Problems.clear(); }
    // Records a problem (the loaders also write their own lines to the diagnostic log). One
    // that names no object is given the object being updated or drawn, if any.
    void ReportProblem(const ORV_LoadProblem& problem);

    void SetOutputSize(int width, int height);
    int GetOuputWidth() const { return m_iOutputWidth; }
    int GetOuputHeight() const { return m_iOutputHeight; }
    int GetPendingFullClears() const { return m_iPendingFullClears; }

    COrvResource* GetResourceByName(const std::string& name) const;
    COrvLayer* GetLayerByName(const std::string& name) const;

    COrvModifiable* AddLayerSprite();
    COrvModifiable* AddLayerObject3D();
    COrvModifiable* AddLayerObject3DGelly();
    COrvModifiable* AddLayerParticles();
    COrvModifiable* AddLayerBalls();
    COrvModifiable* AddLayerSphere();
    COrvModifiable* AddLayerGrid();
    COrvModifiable* AddLayerPostProcess();
    COrvModifiable* AddLayerPPWave();
    COrvModifiable* AddLayerPPRadialBlur();
    COrvModifiable* AddLayerPPBlackWhite();
    COrvModifiable* AddLayerPPFishEye();
    COrvModifiable* AddLayerPPBloom();
    COrvModifiable* AddResImage();
    COrvModifiable* AddResMaterial();
    COrvModifiable* AddResRenderTarget();
    COrvModifiable* AddResShader();
    COrvModifiable* AddResObject3D();

    // The two ways an object joins the document, which the factories and the reader
    // follow: a layer is appended, referenced and given the device; a resource is
    // referenced, linked to this document, given the device and appended. Null is ignored.
    void AddLayer(COrvLayer* pLayer);
    // Names a new layer from its factory's counter and format, then adds it.
    COrvModifiable* AddNamedLayer(COrvLayer* pLayer, int& counter, const char* pFormat);
    void AddResource(COrvResource* pResource);

    // Takes a layer or resource out of its list and drops the list's reference; false when it
    // is not listed. Others name objects by name, so they then find nothing by that name, as
    // when a file names an object the demo lacks. A holder of its own reference may add the
    // object again (AddLayer or AddResource).
    bool DeleteModifiable(COrvModifiable* pObject);
    // A copy of a listed layer or resource, made by its kind's factory (so named by the
    // factory's rule) with every other property, keys included, the original's; placed right
    // after the original. Null when the object is not listed.
    COrvModifiable* DuplicateModifiable(COrvModifiable* pObject);

    void CutModifiable(COrvModifiable* pObject);
    void PasteModifiableBefore(COrvModifiable* pObject);
    COrvLayer* GetCutLayer() const { return m_pCutLayer.Get(); }
    COrvResource* GetCutResource() const { return m_pCutResource.Get(); }

    void BassPlay();
    void BassStop();
    void BassSetTime(float beats);
    float BassGetTime();

    // Reads a demo file and rebuilds the lists from it; false when it cannot be read.
    bool Load(std::string fileName);
    // The XML text of the whole document.
    bool Save(std::string& text);
    // Writes the XML text to a file through a temporary file in the same folder and a
    // rename, so the file is either the old one or the complete new one.
    bool SaveToFile(const std::string& fileName);

    void SetDevice(IDirect3DDevice9* pDevice);
    IDirect3DDevice9* GetDevice() const { return m_pDevice; }
    void DrawFrame(float time);
    // What a frame does before it draws: publishes the time, updates the music and every
    // resource (which loads the files whose names changed). A host calls it to load a demo
    // completely, and to find its problems, without drawing.
    void UpdateResources(float time);

    // Exchanges the music tracks of two documents, each then owned by the other, so that a
    // host replacing a document by a new one of the same demo keeps the music playing.
    void SwapMusic(COrvDemo& other);

    // Times every layer drawn while a profile is set (not owned; null stops timing).
    void SetProfile(ORV_FrameProfile* pProfile) { m_pProfile = pProfile; }
    ORV_FrameProfile* GetProfile() const { return m_pProfile; }

    // The format of the back buffer seen by the last frame (process-wide); render
    // targets are created with it.
    static D3DFORMAT GetBackBufferFormat();

    // The name of the target the layer draws into at the current frame: its "Render taget",
    // with NEXT followed to the input of the next visible post-process layer.
    std::string ResolveTarget(size_t layerIndex) const;

private:
    friend class COrvDemoReader;

    void ReleaseLists();
    void RefreshDataDir();
    IDirect3DSurface9* FindTargetSurface(const std::string& name) const;
    void DrawLayer(COrvLayer* pLayer, size_t layerIndex, IDirect3DSurface9* pBackBuffer);

    std::vector<COrvLayer*> m_Layers;
    std::vector<COrvResource*> m_Resources;
    COrvComPtr<COrvMusic> m_pMusic;
    COrvComPtr<COrvLayer> m_pCutLayer;
    COrvComPtr<COrvResource> m_pCutResource;
    std::string m_DataDir;
    IDirect3DDevice9* m_pDevice = nullptr;
    int m_iOutputWidth = 800;
    int m_iOutputHeight = 600;
    int m_iPendingFullClears = 2;
    std::vector<ORV_LoadProblem> m_Problems;
    ORV_FrameProfile* m_pProfile = nullptr;
    // The object whose update or drawing runs now, named in the problems it reports.
    std::string m_sProblemObject;
};
