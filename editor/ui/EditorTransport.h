#pragma once
// The editor's transport: the current position in the engine's frames (sixteenths of a beat),
// playing and pausing with the music, moves by a sixteenth, a beat or 16 beats, Home and End,
// and a loop region. While playing, the position follows the music's clock, as in the player.
class IEditorClock
{
public:
    virtual ~IEditorClock() = default;
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Seek(double dBeats) = 0;
    virtual double GetBeats() = 0;
};

class COrvDemo;

// The demo's music as the clock.
class CDemoClock : public IEditorClock
{
public:
    explicit CDemoClock(COrvDemo& demo) : m_rDemo(demo) {}
    void Play() override;
    void Stop() override;
    void Seek(double dBeats) override;
    double GetBeats() override;

private:
    COrvDemo& m_rDemo;
};

class CEditorTransport
{
public:
    static constexpr int kFramesPerBeat = 16;

    // The show's end in frames (0: no limit on moves forward).
    void SetEndFrame(float fEnd) { m_fEnd = fEnd; }
    float GetEndFrame() const { return m_fEnd; }
    float GetFrame() const { return m_fFrame; }
    bool IsPlaying() const { return m_bPlaying; }

    // Moves to a frame (within the show); the music follows.
    void Seek(IEditorClock& clock, float fFrame);
    // Moves by whole steps of iFrames: forward to the next multiple of the step after the
    // position, back to the last one before it (on a step: by exactly one step).
    void Step(IEditorClock& clock, int iFrames);
    void SetPlaying(IEditorClock& clock, bool bPlaying);
    void TogglePlaying(IEditorClock& clock) { SetPlaying(clock, !m_bPlaying); }

    // The loop region in frames; playing past its end goes back to its start.
    void SetLoop(float fStart, float fEnd);
    void ClearLoop() { m_bLoop = false; }
    bool HasLoop() const { return m_bLoop; }
    float GetLoopStart() const { return m_fLoopStart; }
    float GetLoopEnd() const { return m_fLoopEnd; }

    // Once a frame: while playing, the position is the music's.
    void Update(IEditorClock& clock);

private:
    float Limit(float fFrame) const;

    float m_fFrame = 0.0f;
    float m_fEnd = 0.0f;
    bool m_bPlaying = false;
    bool m_bLoop = false;
    float m_fLoopStart = 0.0f;
    float m_fLoopEnd = 0.0f;
};
