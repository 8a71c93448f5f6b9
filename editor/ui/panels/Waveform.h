#pragma once
// The music's waveform under the timeline's ruler: the lowest and highest sample of each
// short block of the sound file, read once when the file changes, so drawing any zoom costs
// only a walk over the blocks shown.

#include <string>
#include <vector>

namespace orv::editor
{
class CWaveform
{
public:
    // Sample frames summarised by one block.
    static constexpr int kBlockFrames = 256;

    // Reads the whole sound file (any file the platform's AVIFile reader decodes). On
    // failure the waveform is empty and sError says why.
    bool Load(const std::string& sPath, std::string& sError);
    void Clear();

    bool IsEmpty() const { return m_vMin.empty(); }
    const std::string& GetPath() const { return m_sPath; }
    double GetSeconds() const { return m_dSeconds; }

    // The lowest and highest sample (-1 to 1, both channels) of the blocks that overlap
    // the time range; false when the range lies outside the sound.
    bool GetRange(double dFrom, double dTo, float& fMin, float& fMax) const;

private:
    std::string m_sPath;
    std::vector<float> m_vMin;
    std::vector<float> m_vMax;
    double m_dBlockSeconds = 0.0;
    double m_dSeconds = 0.0;
};
} // namespace orv::editor
