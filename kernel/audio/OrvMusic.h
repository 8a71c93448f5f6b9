#pragma once

#include "OrvExport.h"
#include "core/OrvModifiable.h"

#include <string>

class COrvDemo;
class COrvPropFloat;
class COrvPropString;

// The demo's sound track and master clock: plays one music file and reports the playback
// position in beats at the tempo of its "Music BPM" property. The file ("Filename") is
// found in the owning demo's data directory. A track whose file is missing or unreadable
// stays silent at position 0.
class ORV_API COrvMusic : public COrvModifiable
{
public:
    COrvMusic();
    ~COrvMusic() override;

    // The document that owns the track; its data directory holds the music file.
    virtual void SetDemo(COrvDemo* pDemo);

    // Starts the audio output once per process, then opens and pre-buffers the file that
    // "Filename" names (closing the stream opened before). Always true.
    bool BassInit();
    // Reopens the stream when "Filename" no longer names the loaded file.
    void Update();
    // Starts or resumes playback from the current position.
    void BassPlay();
    void BassStop();
    // Stops and frees the stream.
    void BassClose();
    // Seeks to a position in beats.
    void BassSetTime(float fBeat);
    // The position heard now, in beats; 0 while no stream plays.
    float BassGetTime();

    // The "Music BPM" value.
    float GetBPM();
    float GetSecondFromBeat(float fBeat);
    // 256 spectrum magnitudes of the sound now playing (kept from the last successful
    // fetch when there is no stream).
    float* GetFFT();

    bool IsOpen() const { return m_bOpen; }
    unsigned int GetStream() const { return m_hStream; }

protected:
    COrvComPtr<COrvPropString> m_pFileName;
    COrvComPtr<COrvPropFloat> m_pBPM;
    unsigned int m_hStream = 0;
    bool m_bOpen = false;
    std::string m_LoadedFileName;
    float m_Spectrum[256] = {};
    bool m_bSpectrumFetched = false;
    COrvDemo* m_pDemo = nullptr;

private:
    void StartOutputOnce();
    void FreeStream();
};
