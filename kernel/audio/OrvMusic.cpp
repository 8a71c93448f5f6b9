#include "audio/OrvMusic.h"

#include "core/OrvSniffer.h"
#include "bass.h"
#include "core/OrvProp.h"

#include "document/OrvDemo.h"

namespace
{
// The audio output is started by the first track that opens, and never shut down.
bool s_bBassStarted = false;

constexpr QWORD kNoPosition = static_cast<QWORD>(-1);
} // namespace

COrvMusic::COrvMusic()
{
    m_pBPM = AddProperty<COrvPropFloat>(ORV_PROP_MUSIC_BPM, 138.0f);
    m_pBPM->SetAnimable(false);
    m_pBPM->SetInterpolate(false);
    m_pFileName = AddProperty<COrvPropString>(ORV_PROP_FILENAME, "zik.mp3");
    SetName("Music");
}

COrvMusic::~COrvMusic()
{
    BassClose();
}

void COrvMusic::SetDemo(COrvDemo* pDemo)
{
    m_pDemo = pDemo;
}

void COrvMusic::StartOutputOnce()
{
    if (s_bBassStarted)
        return;
    if ((BASS_GetVersion() >> 16) == BASSVERSION)
        SnifferMessage("BASS_GetVersion OK");
    if (BASS_Init(-1, 44100, 0, nullptr, nullptr))
        SnifferMessage("BASS_Init OK");
    if (BASS_Start())
        SnifferMessage("BASS_Start OK");
    s_bBassStarted = true;
}

void COrvMusic::FreeStream()
{
    if (!m_hStream)
        return;
    BASS_ChannelStop(m_hStream);
    BASS_StreamFree(m_hStream);
    m_hStream = 0;
}

bool COrvMusic::BassInit()
{
    ORV_SnifferBlock block("COrvMusic::BassInit");
    const std::string fileName = m_pFileName->GetValue();
    m_bOpen = false;
    FreeStream(); // a reopened track must not leave its previous stream behind
    StartOutputOnce();
    // Relative file names are found in the data directory, which stays current. When it
    // cannot be entered, the file is looked for in the current directory.
    if (m_pDemo)
        m_pDemo->EnterDataDir();
    m_hStream = BASS_StreamCreateFile(FALSE, fileName.c_str(), 0, 0, BASS_STREAM_PRESCAN);
    if (m_hStream)
        SnifferMessage("BASS_StreamCreateFile OK");
    else if (m_pDemo && !fileName.empty())
        m_pDemo->ReportProblem(
            {m_pDemo->GetDataPath(fileName), 0, "cannot read the music", GetName()});
    if (BASS_ChannelPreBuf(m_hStream, 0))
        SnifferMessage("BASS_ChannelPreBuf OK");
    m_bOpen = true;
    m_LoadedFileName = fileName;
    return true;
}

void COrvMusic::Update()
{
    if (m_pFileName->GetValue() == m_LoadedFileName)
        return;
    if (m_bOpen)
        BASS_ChannelStop(m_hStream);
    BassInit();
}

void COrvMusic::BassPlay()
{
    ORV_SnifferBlock block("COrvMusic::BassPlay");
    if (m_bOpen && BASS_ChannelPlay(m_hStream, FALSE))
        SnifferMessage("BASS_ChannelPlay OK");
}

void COrvMusic::BassStop()
{
    if (m_bOpen)
        BASS_ChannelStop(m_hStream);
}

void COrvMusic::BassClose()
{
    if (!m_bOpen)
        return;
    FreeStream();
    m_bOpen = false;
}

void COrvMusic::BassSetTime(float fBeat)
{
    if (!m_bOpen || !m_hStream)
        return;
    const QWORD bytes = BASS_ChannelSeconds2Bytes(m_hStream, GetSecondFromBeat(fBeat));
    if (bytes != kNoPosition)
        BASS_ChannelSetPosition(m_hStream, bytes);
}

float COrvMusic::BassGetTime()
{
    if (!m_bOpen || !m_hStream)
        return 0.0f;
    const QWORD bytes = BASS_ChannelGetPosition(m_hStream);
    const float seconds =
        bytes == kNoPosition ? -1.0f : BASS_ChannelBytes2Seconds(m_hStream, bytes);
    if (!(seconds >= 0.0f))
        return 0.0f; // a stream that failed reports no position: the track stays at 0
    return static_cast<float>(GetBPM() / 60.0 * seconds);
}

float COrvMusic::GetBPM()
{
    return m_pBPM->GetValue();
}

float COrvMusic::GetSecondFromBeat(float fBeat)
{
    return static_cast<float>(fBeat / (GetBPM() / 60.0));
}

float* COrvMusic::GetFFT()
{
    BASS_ChannelGetData(m_hStream, m_Spectrum, BASS_DATA_FFT512);
    m_bSpectrumFetched = true;
    return m_Spectrum;
}
