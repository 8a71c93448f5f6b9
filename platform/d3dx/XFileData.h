#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The data objects of a ".x" file as a tree, the same whatever the encoding (text, binary,
// compressed): each object keeps its template name, its optional instance name, its member
// values in file order and its nested objects and references in file order. Templates are
// not kept: the mesh builder knows the layouts it reads and skips every other object.
struct SOrvXObject
{
    enum EKind : uint8_t
    {
        KIND_INTEGER,
        KIND_FLOAT,
        KIND_STRING,
    };

    std::string m_sType;            // "Mesh", "Frame", ...; empty for a reference
    std::string m_sName;            // instance name, or the name a reference points to
    bool m_bReference = false;      // "{ Name }" inside another object
    std::vector<double> m_adValues; // numbers; for a string, its index in m_asStrings
    std::vector<EKind> m_aeKinds;   // one per value
    std::vector<std::string> m_asStrings;
    std::vector<SOrvXObject> m_aChildren;

    void AddNumber(double d, EKind eKind)
    {
        m_adValues.push_back(d);
        m_aeKinds.push_back(eKind);
    }
    void AddString(std::string s)
    {
        m_adValues.push_back(double(m_asStrings.size()));
        m_aeKinds.push_back(KIND_STRING);
        m_asStrings.push_back(std::move(s));
    }
};

// Reads an object's member values in order, each read checked against what is left and
// against the kind of value a member needs.
class COrvXValueReader
{
public:
    explicit COrvXValueReader(const SOrvXObject& object) : m_object(object) {}

    // An unsigned 32-bit integer (a whole number written as a float is refused).
    bool ReadDword(uint32_t& u);
    // A count of items that take uValuesPerItem values each: refused when fewer values are
    // left than the items need, so that no absurd count reaches an allocation.
    bool ReadCount(uint32_t& u, size_t uValuesPerItem);
    // A number within the range of a float.
    bool ReadFloat(float& f);
    bool ReadDouble(double& d);
    bool ReadString(std::string& s);
    size_t GetRemaining() const { return m_object.m_adValues.size() - m_uNext; }

private:
    const SOrvXObject& m_object;
    size_t m_uNext = 0;
};
