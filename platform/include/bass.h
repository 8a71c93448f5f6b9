#pragma once

// The audio services the engine plays its music with: one output device, file streams
// decoded in the background, playback positions in bytes of the decoded format, and the
// spectrum of what is playing. Names, numeric constants and integer conventions follow
// the 2.3 version of the audio library's published interface; the implementation is ours
// (libsndfile and libvorbisfile decoding, SDL2 output, kissfft spectrum).
//
// Conventions: functions that create something return a non-zero handle, 0 on failure;
// BOOL functions return TRUE (non-zero) on success; position functions return (QWORD)-1
// and BASS_ChannelBytes2Seconds returns a negative value on failure. After every call,
// BASS_ErrorGetCode tells why the last call failed (BASS_OK when it succeeded).
// Every function may be called from any thread.

#include "wintypes.h"

#define BASSVERSION 0x203

typedef DWORD HSTREAM;

// Error codes.
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_FREQ 25
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_UNKNOWN -1

// Stream creation flags.
#define BASS_SAMPLE_FLOAT 256       // positions count 32-bit float samples instead of 16-bit
#define BASS_STREAM_PRESCAN 0x20000 // exact seeking (every seek here is sample-exact)

// BASS_ChannelGetData requests: magnitudes of a Hann-windowed FFT of the samples now
// playing (mixed to mono). FFT512 gives 256 floats, FFT1024 512, FFT2048 1024, FFT4096
// 2048; a full-scale sine centred on a bin gives about 1.0 in that bin.
#define BASS_DATA_FFT512 0x80000000
#define BASS_DATA_FFT1024 0x80000001
#define BASS_DATA_FFT2048 0x80000002
#define BASS_DATA_FFT4096 0x80000003

// BASS_ChannelIsActive results.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1

#ifdef __cplusplus
extern "C"
{
#endif

    // Version of the interface: BASSVERSION in the upper 16 bits.
    ORVPLATFORM_API DWORD BASS_GetVersion(void);

    // Opens the output. device -1 or 1: the default sound device, or, when the machine has
    // none, a silent output whose clock runs in real time; device 0: the silent output.
    // freq: the output rate in Hz (0 means 44100). flags, win and dsguid are not used.
    ORVPLATFORM_API BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win,
                                   const void* dsguid);
    // Starts (or resumes) the output. Needs BASS_Init.
    ORVPLATFORM_API BOOL BASS_Start(void);
    // Frees every stream and closes the output; BASS_Init may then be called again.
    ORVPLATFORM_API BOOL BASS_Free(void);

    // Opens a music file (WAV, FLAC, MP3, Ogg Vorbis, ...). mem must be FALSE: file is a
    // file name; offset and length must be 0 (the whole file). Needs BASS_Init.
    ORVPLATFORM_API HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset,
                                                  QWORD length, DWORD flags);
    ORVPLATFORM_API BOOL BASS_StreamFree(HSTREAM handle);

    // Decodes the start of the stream ahead of playback. length is ignored.
    ORVPLATFORM_API BOOL BASS_ChannelPreBuf(DWORD handle, DWORD length);
    // Starts playing; restart TRUE plays from the start, FALSE from the current position.
    ORVPLATFORM_API BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
    // Stops playing; the position stays where playback was heard.
    ORVPLATFORM_API BOOL BASS_ChannelStop(DWORD handle);
    ORVPLATFORM_API DWORD BASS_ChannelIsActive(DWORD handle);

    // Length of the decoded stream in bytes.
    ORVPLATFORM_API QWORD BASS_ChannelGetLength(DWORD handle);
    // Position now heard, in bytes; advances smoothly and never backwards while playing.
    ORVPLATFORM_API QWORD BASS_ChannelGetPosition(DWORD handle);
    // Seeks, sample-exact, to a byte position (rounded down to a whole sample frame).
    ORVPLATFORM_API BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos);
    ORVPLATFORM_API float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos);
    ORVPLATFORM_API QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos);

    // Fills buffer as the request asks (BASS_DATA_FFT*); returns the number of bytes of
    // sample data read to compute it, or (DWORD)-1 on failure.
    ORVPLATFORM_API DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

    // Why the last call made by this thread failed.
    ORVPLATFORM_API int BASS_ErrorGetCode(void);

#ifdef __cplusplus
}
#endif
