#include "AtelierMeshes.h"
#include "OrvPi.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <vector>

namespace
{

struct SVec
{
    double x, y, z;
};

SVec operator-(SVec a, SVec b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
SVec operator+(SVec a, SVec b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
SVec operator*(SVec a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
double Dot(SVec a, SVec b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
SVec Cross(SVec a, SVec b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
SVec Normalise(SVec a)
{
    double l = std::sqrt(Dot(a, a));
    return l > 0 ? a * (1.0 / l) : SVec{0, 1, 0};
}

struct SMaterial
{
    double r, g, b, a;
    double dPower;
    double s; // specular grey level
    std::string sTexture;
};

struct SMesh
{
    std::vector<SVec> positions;
    std::vector<SVec> normals;
    std::vector<double> uv; // u, v per vertex
    std::vector<int> faces; // three indices a face
    std::vector<int> faceMaterials;
    std::vector<SMaterial> materials;

    // Adds a triangle facing along the vertices' normals: clockwise seen from outside,
    // the front face of a left-handed Direct3D scene.
    void AddFace(int a, int b, int c, int iMaterial = 0)
    {
        SVec n = normals[a] + normals[b] + normals[c];
        if (Dot(Cross(positions[b] - positions[a], positions[c] - positions[a]), n) < 0)
        {
            std::swap(b, c);
        }
        faces.insert(faces.end(), {a, b, c});
        faceMaterials.push_back(iMaterial);
    }
};

// A tube swept along a closed curve: rings of iSides vertices at iSteps points.
SMesh MakeTube(const std::function<SVec(double)>& curve, double dRadius, int iSteps, int iSides,
               const SMaterial& material)
{
    SMesh mesh;
    mesh.materials.push_back(material);
    for (int i = 0; i <= iSteps; ++i)
    {
        double t = static_cast<double>(i) / iSteps;
        SVec p = curve(t);
        SVec tangent = Normalise(curve(t + 1e-4) - curve(t - 1e-4));
        SVec side = Normalise(Cross(tangent, SVec{0.3, 1, 0.2}));
        SVec up = Cross(side, tangent);
        for (int j = 0; j <= iSides; ++j)
        {
            double a = 2 * orv::dPi * j / iSides;
            SVec n = side * std::cos(a) + up * std::sin(a);
            mesh.positions.push_back(p + n * dRadius);
            mesh.normals.push_back(n);
            mesh.uv.insert(mesh.uv.end(), {t * 4.0, static_cast<double>(j) / iSides});
        }
    }
    int iRow = iSides + 1;
    for (int i = 0; i < iSteps; ++i)
    {
        for (int j = 0; j < iSides; ++j)
        {
            int a = i * iRow + j;
            mesh.AddFace(a, a + iRow, a + 1);
            mesh.AddFace(a + 1, a + iRow, a + iRow + 1);
        }
    }
    return mesh;
}

// An eight-sided cut gem: a crown and a pavilion with flat faces, two materials.
SMesh MakeGem()
{
    SMesh mesh;
    mesh.materials.push_back({0.4, 0.9, 1.0, 0.85, 60.0, 1.0, ""});
    mesh.materials.push_back({0.9, 0.3, 1.0, 0.9, 30.0, 0.6, "plasma.png"});
    const int iSides = 8;
    auto ring = [&](int i, double dRadius, double dHeight)
    {
        double a = 2 * orv::dPi * i / iSides;
        return SVec{dRadius * std::cos(a), dHeight, dRadius * std::sin(a)};
    };
    auto addFlat = [&](SVec a, SVec b, SVec c, int iMaterial)
    {
        SVec n = Normalise(Cross(b - a, c - a));
        SVec centre = (a + b + c) * (1.0 / 3.0);
        if (Dot(n, centre) < 0)
        {
            n = n * -1.0;
        }
        int i0 = static_cast<int>(mesh.positions.size());
        for (SVec p : {a, b, c})
        {
            mesh.positions.push_back(p);
            mesh.normals.push_back(n);
            mesh.uv.insert(mesh.uv.end(), {0.5 + p.x * 0.5, 0.5 - p.z * 0.5});
        }
        mesh.AddFace(i0, i0 + 1, i0 + 2, iMaterial);
    };
    SVec top{0, 0.45, 0};
    SVec bottom{0, -1.0, 0};
    for (int i = 0; i < iSides; ++i)
    {
        SVec t0 = ring(i, 0.5, 0.45);
        SVec t1 = ring(i + 1, 0.5, 0.45);
        SVec g0 = ring(i, 0.9, 0.1);
        SVec g1 = ring(i + 1, 0.9, 0.1);
        addFlat(top, t0, t1, 0);
        addFlat(t0, g0, g1, 0);
        addFlat(t0, g1, t1, 0);
        addFlat(g0, bottom, g1, 1);
    }
    return mesh;
}

void WriteList(std::ofstream& file, size_t iCount, const std::function<void(size_t)>& item)
{
    file << iCount << ";\n";
    for (size_t i = 0; i < iCount; ++i)
    {
        item(i);
        file << (i + 1 < iCount ? ",\n" : ";\n");
    }
}

bool WriteMesh(const std::string& sPath, const std::string& sName, const SMesh& mesh)
{
    std::ofstream file(sPath);
    if (!file)
    {
        return false;
    }
    char sz[128];
    auto vec = [&](SVec v)
    {
        std::snprintf(sz, sizeof(sz), "%.5f;%.5f;%.5f;", v.x, v.y, v.z);
        file << sz;
    };
    auto faceList = [&]()
    {
        WriteList(file, mesh.faces.size() / 3,
                  [&](size_t i)
                  {
                      file << "3;" << mesh.faces[3 * i] << "," << mesh.faces[3 * i + 1] << ","
                           << mesh.faces[3 * i + 2] << ";";
                  });
    };
    file << "xof 0303txt 0032\n\n";
    file << "// Made by the Orv sample generator.\n";
    file << "Mesh " << sName << " {\n";
    WriteList(file, mesh.positions.size(), [&](size_t i) { vec(mesh.positions[i]); });
    faceList();
    file << "MeshNormals {\n";
    WriteList(file, mesh.normals.size(), [&](size_t i) { vec(mesh.normals[i]); });
    faceList();
    file << "}\n";
    file << "MeshTextureCoords {\n";
    WriteList(file, mesh.uv.size() / 2,
              [&](size_t i)
              {
                  std::snprintf(sz, sizeof(sz), "%.5f;%.5f;", mesh.uv[2 * i], mesh.uv[2 * i + 1]);
                  file << sz;
              });
    file << "}\n";
    file << "MeshMaterialList {\n" << mesh.materials.size() << ";\n";
    WriteList(file, mesh.faceMaterials.size(), [&](size_t i) { file << mesh.faceMaterials[i]; });
    for (const SMaterial& m : mesh.materials)
    {
        std::snprintf(sz, sizeof(sz), "Material {\n%.3f;%.3f;%.3f;%.3f;;\n%.1f;\n", m.r, m.g, m.b,
                      m.a, m.dPower);
        file << sz;
        std::snprintf(sz, sizeof(sz), "%.3f;%.3f;%.3f;;\n0.000;0.000;0.000;;\n", m.s, m.s, m.s);
        file << sz;
        if (!m.sTexture.empty())
        {
            file << "TextureFilename {\n\"" << m.sTexture << "\";\n}\n";
        }
        file << "}\n";
    }
    file << "}\n}\n";
    return static_cast<bool>(file);
}

} // namespace

bool WriteAtelierMeshes(const std::string& sFolder, std::string& sError)
{
    SMesh torus = MakeTube(
        [](double t)
        {
            double a = 2 * orv::dPi * t;
            return SVec{std::cos(a), std::sin(a), 0.0};
        },
        0.38, 40, 20, {1.0, 1.0, 1.0, 1.0, 40.0, 0.8, "plasma.png"});
    SMesh knot = MakeTube(
        [](double t)
        {
            double a = 2 * orv::dPi * t;
            double r = 0.6 + 0.25 * std::cos(3 * a);
            return SVec{r * std::cos(2 * a), r * std::sin(2 * a), 0.3 * std::sin(3 * a)};
        },
        0.11, 120, 10, {1.0, 0.6, 0.2, 1.0, 50.0, 1.0, "grid.png"});
    const struct
    {
        const char* szFile;
        const char* szName;
        const SMesh& mesh;
    } files[] = {
        {"torus.x", "Torus", torus}, {"knot.x", "Knot", knot}, {"gem.x", "Gem", MakeGem()}};
    for (const auto& f : files)
    {
        std::string sPath = sFolder + "/" + f.szFile;
        if (!WriteMesh(sPath, f.szName, f.mesh))
        {
            sError = "cannot write " + sPath;
            return false;
        }
    }
    return true;
}
