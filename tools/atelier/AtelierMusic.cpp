#include "AtelierMusic.h"
#include "OrvPi.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace
{

// A stereo mix buffer in floating point.
struct SMix
{
    int iRate;
    std::vector<float> left;
    std::vector<float> right;

    SMix(int iSampleRate, size_t iFrames) : iRate(iSampleRate), left(iFrames), right(iFrames) {}

    void Add(size_t i, double dValue, double dPan)
    {
        if (i < left.size())
        {
            left[i] += static_cast<float>(dValue * std::sqrt(0.5 * (1.0 - dPan)));
            right[i] += static_cast<float>(dValue * std::sqrt(0.5 * (1.0 + dPan)));
        }
    }
};

double NoteHz(int iMidi)
{
    return 440.0 * std::pow(2.0, (iMidi - 69) / 12.0);
}

// A small deterministic noise source, so the piece is the same on every run.
struct SNoise
{
    uint32_t uState = 0x12345678u;
    double Next()
    {
        uState ^= uState << 13;
        uState ^= uState >> 17;
        uState ^= uState << 5;
        return (uState / 4294967295.0) * 2.0 - 1.0;
    }
};

// The chord progression, one chord a bar: A minor, F, C, G (roots as MIDI notes).
const int kRoots[4] = {57, 53, 60, 55};
const int kThirds[4] = {3, 4, 4, 4};

class CSongWriter
{
public:
    CSongWriter(const SAtelierSong& song)
        : m_song(song), m_dBeat(60.0 / song.dBeatsPerMinute),
          m_mix(song.iSampleRate, static_cast<size_t>((song.iBars * 4 + 2) * 60.0 /
                                                      song.dBeatsPerMinute * song.iSampleRate))
    {
    }

    void Render()
    {
        for (int iBar = 0; iBar < m_song.iBars; ++iBar)
        {
            RenderBar(iBar);
        }
        AddEcho();
        Normalise();
    }

    const SMix& GetMix() const { return m_mix; }

private:
    size_t At(double dBeats) const
    {
        return static_cast<size_t>(dBeats * m_dBeat * m_song.iSampleRate);
    }

    // Sections: 0-3 intro, 4-7 rise, 8-15 drive, 16-19 break, 20-23 drift (no drums),
    // 24-27 flight, 28-31 groove (no lead), 32-35 climb, 36-39 finale.
    void RenderBar(int iBar)
    {
        int iChord = iBar % 4;
        double dStart = iBar * 4.0;
        bool bLast = iBar == m_song.iBars - 1;
        bool bCalm = iBar >= 16 && iBar < 24;
        bool bGroove = iBar >= 28 && iBar < 32;
        double dFade = bLast ? 0.6 : 1.0;
        Pad(dStart, iChord, iBar < 4 ? 0.5 + 0.12 * iBar : 0.8);
        if (iBar >= 4 && !bLast)
        {
            Arpeggio(dStart, iChord, bCalm ? 0.5 : 0.35);
            for (int i = 0; i < 4; ++i)
            {
                Hat(dStart + i + 0.5, 0.18);
            }
        }
        if ((iBar >= 8 && iBar < 16) || (iBar >= 24 && !bLast))
        {
            for (int i = 0; i < 4; ++i)
            {
                Kick(dStart + i, 0.9);
            }
            Clap(dStart + 1, 0.35);
            Clap(dStart + 3, 0.35);
            Bass(dStart, iChord, 0.45);
        }
        if (iBar >= 16 && !bLast && !bGroove)
        {
            Lead(dStart, iBar, bCalm ? 0.22 : 0.28);
        }
        if (bLast)
        {
            Kick(dStart, 0.9 * dFade);
            Bass(dStart, 0, 0.3);
        }
        if (iBar == 7 || iBar == 19 || iBar == 23 || iBar == 27 || iBar == 31 || iBar == 35)
        {
            Riser(dStart, 0.25);
        }
    }

    void Pad(double dStart, int iChord, double dLevel)
    {
        int aiNotes[4] = {kRoots[iChord], kRoots[iChord] + kThirds[iChord], kRoots[iChord] + 7,
                          kRoots[iChord] + 12};
        size_t i0 = At(dStart);
        size_t iLength = At(4.0);
        for (int n = 0; n < 4; ++n)
        {
            double dHz = NoteHz(aiNotes[n] - 12);
            double dLow = 0.0;
            for (size_t i = 0; i < iLength + At(1.0); ++i)
            {
                double t = static_cast<double>(i) / m_song.iSampleRate;
                double dEnv =
                    std::min(1.0, t / 0.5) *
                    (i < iLength ? 1.0 : 1.0 - static_cast<double>(i - iLength) / At(1.0));
                double dSaw = 0.0;
                for (double dDetune : {-0.004, 0.0, 0.005})
                {
                    double dPhase = std::fmod(t * dHz * (1.0 + dDetune), 1.0);
                    dSaw += 2.0 * dPhase - 1.0;
                }
                dLow += 0.04 * (dSaw / 3.0 - dLow);
                m_mix.Add(i0 + i, dLow * dEnv * dLevel * 0.35, n % 2 == 0 ? -0.4 : 0.4);
            }
        }
    }

    void Arpeggio(double dStart, int iChord, double dLevel)
    {
        const int aiSteps[8] = {0, 7, 12, kThirds[iChord] + 12, 19, 12, 7, kThirds[iChord]};
        for (int iStep = 0; iStep < 16; ++iStep)
        {
            int iNote = kRoots[iChord] + 12 + aiSteps[iStep % 8];
            Pluck(dStart + iStep * 0.25, NoteHz(iNote), 0.22, dLevel, iStep % 2 ? 0.5 : -0.5);
        }
    }

    void Pluck(double dStart, double dHz, double dSeconds, double dLevel, double dPan)
    {
        size_t i0 = At(dStart);
        size_t iLength = static_cast<size_t>(dSeconds * m_song.iSampleRate);
        for (size_t i = 0; i < iLength; ++i)
        {
            double t = static_cast<double>(i) / m_song.iSampleRate;
            double dPhase = std::fmod(t * dHz, 1.0);
            double dSquare = dPhase < 0.3 ? 1.0 : -1.0;
            double dTri = 4.0 * std::abs(dPhase - 0.5) - 1.0;
            double dEnv = std::exp(-t * 14.0) * std::min(1.0, t * 400.0);
            m_mix.Add(i0 + i, (0.35 * dSquare + 0.65 * dTri) * dEnv * dLevel * 0.5, dPan);
        }
    }

    void Kick(double dStart, double dLevel)
    {
        size_t i0 = At(dStart);
        size_t iLength = static_cast<size_t>(0.35 * m_song.iSampleRate);
        double dPhase = 0.0;
        for (size_t i = 0; i < iLength; ++i)
        {
            double t = static_cast<double>(i) / m_song.iSampleRate;
            double dHz = 45.0 + 90.0 * std::exp(-t * 30.0);
            dPhase += dHz / m_song.iSampleRate;
            double dEnv = std::exp(-t * 9.0);
            m_mix.Add(i0 + i, std::sin(2.0 * orv::dPi * dPhase) * dEnv * dLevel, 0.0);
        }
    }

    void Hat(double dStart, double dLevel)
    {
        size_t i0 = At(dStart);
        size_t iLength = static_cast<size_t>(0.06 * m_song.iSampleRate);
        double dLast = 0.0;
        for (size_t i = 0; i < iLength; ++i)
        {
            double t = static_cast<double>(i) / m_song.iSampleRate;
            double dNoise = m_noise.Next();
            double dHigh = dNoise - dLast; // a crude high-pass keeps only the hiss
            dLast = dNoise;
            m_mix.Add(i0 + i, dHigh * std::exp(-t * 70.0) * dLevel, 0.3);
        }
    }

    void Clap(double dStart, double dLevel)
    {
        size_t i0 = At(dStart);
        size_t iLength = static_cast<size_t>(0.2 * m_song.iSampleRate);
        double dBand = 0.0;
        for (size_t i = 0; i < iLength; ++i)
        {
            double t = static_cast<double>(i) / m_song.iSampleRate;
            dBand += 0.3 * (m_noise.Next() - dBand);
            double dEnv = std::exp(-t * 22.0) + 0.5 * std::exp(-std::abs(t - 0.012) * 400.0);
            double dTone = 0.3 * std::sin(2.0 * orv::dPi * 190.0 * t) * std::exp(-t * 40.0);
            m_mix.Add(i0 + i, (dBand * 1.6 + dTone) * dEnv * dLevel, -0.1);
        }
    }

    void Bass(double dStart, int iChord, double dLevel)
    {
        for (int iStep = 0; iStep < 8; ++iStep)
        {
            int iNote = kRoots[iChord] - 24 + (iStep == 6 ? 12 : 0);
            size_t i0 = At(dStart + iStep * 0.5);
            size_t iLength = At(0.45);
            double dHz = NoteHz(iNote);
            double dLow = 0.0;
            for (size_t i = 0; i < iLength; ++i)
            {
                double t = static_cast<double>(i) / m_song.iSampleRate;
                double dPhase = std::fmod(t * dHz, 1.0);
                double dSaw = 2.0 * dPhase - 1.0;
                double dCut = 0.02 + 0.25 * std::exp(-t * 18.0);
                dLow += dCut * (dSaw - dLow);
                double dEnv = std::min(1.0, t * 300.0) *
                              std::min(1.0, static_cast<double>(iLength - i) / 300.0);
                m_mix.Add(i0 + i, dLow * dEnv * dLevel, 0.0);
            }
        }
    }

    void Lead(double dStart, int iBar, double dLevel)
    {
        // A short motif over the progression: (beat, semitones above the chord root, beats).
        struct SNote
        {
            double dBeat;
            int iStep;
            double dLength;
        };
        static const SNote s_aMotif[2][4] = {
            {{0.0, 12, 1.5}, {1.5, 15, 0.5}, {2.0, 14, 1.0}, {3.0, 10, 1.0}},
            {{0.0, 7, 1.0}, {1.0, 12, 1.0}, {2.0, 19, 1.5}, {3.5, 17, 0.5}},
        };
        int iChord = iBar % 4;
        for (const SNote& note : s_aMotif[iBar % 2])
        {
            double dHz = NoteHz(kRoots[iChord] + note.iStep);
            size_t i0 = At(dStart + note.dBeat);
            size_t iLength = At(note.dLength);
            for (size_t i = 0; i < iLength; ++i)
            {
                double t = static_cast<double>(i) / m_song.iSampleRate;
                double dVibrato =
                    1.0 + 0.004 * std::sin(2.0 * orv::dPi * 5.5 * t) * std::min(1.0, t);
                double dPhase = std::fmod(t * dHz * dVibrato, 1.0);
                double dWave =
                    std::sin(2.0 * orv::dPi * dPhase) + 0.3 * std::sin(4.0 * orv::dPi * dPhase);
                double dEnv = std::min(1.0, t * 60.0) *
                              std::min(1.0, static_cast<double>(iLength - i) / 2000.0);
                m_mix.Add(i0 + i, dWave * dEnv * dLevel, 0.15);
            }
        }
    }

    void Riser(double dStart, double dLevel)
    {
        size_t i0 = At(dStart);
        size_t iLength = At(4.0);
        double dBand = 0.0;
        for (size_t i = 0; i < iLength; ++i)
        {
            double dProgress = static_cast<double>(i) / iLength;
            dBand += (0.05 + 0.5 * dProgress) * (m_noise.Next() - dBand);
            m_mix.Add(i0 + i, dBand * dProgress * dProgress * dLevel, std::sin(dProgress * 12.0));
        }
    }

    // A dotted-eighth echo, crossed between the channels.
    void AddEcho()
    {
        size_t iDelay = At(0.75);
        for (size_t i = iDelay; i < m_mix.left.size(); ++i)
        {
            m_mix.left[i] += 0.28f * m_mix.right[i - iDelay];
            m_mix.right[i] += 0.28f * m_mix.left[i - iDelay];
        }
    }

    void Normalise()
    {
        float fPeak = 1e-6f;
        for (size_t i = 0; i < m_mix.left.size(); ++i)
        {
            fPeak = std::max({fPeak, std::abs(m_mix.left[i]), std::abs(m_mix.right[i])});
        }
        float fGain = 0.89f / fPeak;
        for (size_t i = 0; i < m_mix.left.size(); ++i)
        {
            m_mix.left[i] *= fGain;
            m_mix.right[i] *= fGain;
        }
    }

    SAtelierSong m_song;
    double m_dBeat;
    SMix m_mix;
    SNoise m_noise;
};

} // namespace

bool WriteAtelierMusic(const SAtelierSong& song, const std::string& sPath, std::string& sError)
{
    CSongWriter writer(song);
    writer.Render();
    const SMix& mix = writer.GetMix();
    // The file is exactly as long as the bars: the last bar's tail is cut at its end.
    size_t iFrames =
        static_cast<size_t>(song.iBars * 4 * 60.0 / song.dBeatsPerMinute * song.iSampleRate);
    std::vector<float> interleaved(iFrames * 2);
    for (size_t i = 0; i < iFrames; ++i)
    {
        double dFade = std::min(1.0, static_cast<double>(iFrames - i) / (song.iSampleRate * 0.5));
        interleaved[2 * i] = static_cast<float>(mix.left[i] * dFade);
        interleaved[2 * i + 1] = static_cast<float>(mix.right[i] * dFade);
    }
    SF_INFO info{};
    info.samplerate = song.iSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* pFile = sf_open(sPath.c_str(), SFM_WRITE, &info);
    if (pFile == nullptr)
    {
        sError = std::string("cannot write ") + sPath + ": " + sf_strerror(nullptr);
        return false;
    }
    double dQuality = 0.45;
    sf_command(pFile, SFC_SET_VBR_ENCODING_QUALITY, &dQuality, sizeof(dQuality));
    // The Vorbis encoder takes the sound in modest blocks (one huge block crashes it).
    sf_count_t iWritten = 0;
    const sf_count_t iBlock = 4096;
    for (size_t i = 0; i < iFrames; i += iBlock)
    {
        sf_count_t iCount = std::min<sf_count_t>(iBlock, static_cast<sf_count_t>(iFrames - i));
        iWritten += sf_writef_float(pFile, interleaved.data() + 2 * i, iCount);
    }
    sf_close(pFile);
    if (iWritten != static_cast<sf_count_t>(iFrames))
    {
        sError = "short write to " + sPath;
        return false;
    }
    return true;
}
