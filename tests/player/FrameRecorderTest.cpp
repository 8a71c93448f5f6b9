// The recording's capture path: frames read back while the device draws reach the file
// whole, in order and unchanged, the same file as frames read at once; a device that cannot
// read back that way gets every frame read at once.
#include "FrameGrabber.h"
#include "FrameRecorder.h"
#include "OrvFrameReadback.h"
#include "OrvTempDir.h"
#include "OrvTestDevice.h"
#include "RecordingDevice.h"
#include "capture/OrvAvi.h"
#include "vfw.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace
{

constexpr int kWidth = 45; // odd: rows not a multiple of the pixels packed at a time
constexpr int kHeight = 23;
constexpr int kFrames = 9;

D3DCOLOR FrameColor(int iFrame, int iPart)
{
    return D3DCOLOR_XRGB(20 * iFrame + 7 * iPart, 255 - 25 * iFrame, 60 + 40 * iPart);
}

// Frame i: one colour with a band of another across its top five rows.
void DrawFrame(IDirect3DDevice9* pDevice, int iFrame)
{
    pDevice->Clear(0, nullptr, D3DCLEAR_TARGET, FrameColor(iFrame, 0), 1.0f, 0);
    const D3DRECT band = {0, 0, kWidth, 5};
    pDevice->Clear(1, &band, D3DCLEAR_TARGET, FrameColor(iFrame, 1), 1.0f, 0);
    pDevice->Present(nullptr, nullptr, nullptr, nullptr);
}

// The frame as the file should hold it: 24-bit blue-green-red, bottom row first.
std::vector<BYTE> ExpectedBits(int iFrame)
{
    std::vector<BYTE> bits(kWidth * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const D3DCOLOR color = FrameColor(iFrame, y < 5 ? 1 : 0);
            BYTE* p = &bits[((kHeight - 1 - y) * kWidth + x) * 3];
            p[0] = static_cast<BYTE>(color);
            p[1] = static_cast<BYTE>(color >> 8);
            p[2] = static_cast<BYTE>(color >> 16);
        }
    return bits;
}

std::vector<std::vector<BYTE>> ReadFrames(const std::string& sPath)
{
    std::vector<std::vector<BYTE>> frames;
    PAVIFILE pFile = nullptr;
    PAVISTREAM pStream = nullptr;
    if (AVIFileOpenA(&pFile, sPath.c_str(), OF_READ, nullptr) == 0 &&
        AVIFileGetStream(pFile, &pStream, streamtypeVIDEO, 0) == 0)
    {
        for (LONG i = 0; i < AVIStreamLength(pStream); ++i)
        {
            std::vector<BYTE> bits(kWidth * kHeight * 3);
            if (AVIStreamRead(pStream, i, 1, bits.data(), static_cast<LONG>(bits.size()), nullptr,
                              nullptr) != 0)
                break;
            frames.push_back(std::move(bits));
        }
    }
    AVIStreamRelease(pStream);
    AVIFileRelease(pFile);
    return frames;
}

std::string ReadFile(const std::string& sPath)
{
    std::ifstream input(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(input), std::istreambuf_iterator<char>());
}

class FrameRecorderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_EQ(AVISetCompressorA("ffv1"), AVIERR_OK); }
    void TearDown() override { AVISetCompressorA(nullptr); }

    COrvTempDir m_dir;
};

} // namespace

TEST_F(FrameRecorderTest, FramesReadWhileDrawingReachTheFileWholeAndInOrder)
{
    COrvTestDevice device(kWidth, kHeight, false);
    ASSERT_TRUE(device) << "no headless device";
    const std::string sOverlapped = m_dir.File("overlapped.avi");
    {
        ORV_Avi avi;
        ASSERT_EQ(avi.CreateAVI(nullptr, sOverlapped.c_str(), kWidth, kHeight, 25), 0);
        CFrameRecorder recorder(device.Get(), avi, kWidth, kHeight);
        for (int i = 0; i < kFrames; ++i)
        {
            DrawFrame(device.Get(), i);
            EXPECT_TRUE(recorder.AddPresented()) << i;
            // The frames come kLag presents late, none lost on the way.
            EXPECT_EQ(recorder.GetFramesAdded(), std::max(0, i + 1 - CFrameRecorder::kLag));
        }
        EXPECT_TRUE(recorder.IsOverlapped());
        EXPECT_TRUE(recorder.Finish());
        EXPECT_EQ(recorder.GetFramesAdded(), kFrames);
        EXPECT_TRUE(recorder.Finish()); // nothing left: nothing added twice
        EXPECT_EQ(recorder.GetFramesAdded(), kFrames);
    }
    const std::vector<std::vector<BYTE>> frames = ReadFrames(sOverlapped);
    ASSERT_EQ(frames.size(), static_cast<size_t>(kFrames));
    for (int i = 0; i < kFrames; ++i)
        EXPECT_EQ(frames[static_cast<size_t>(i)], ExpectedBits(i)) << "frame " << i;

    // The same frames read at once and added as bitmaps make the very same file.
    const std::string sAtOnce = m_dir.File("at_once.avi");
    {
        ORV_Avi avi;
        ASSERT_EQ(avi.CreateAVI(nullptr, sAtOnce.c_str(), kWidth, kHeight, 25), 0);
        CFrameGrabber grabber(device.Get(), kWidth, kHeight);
        for (int i = 0; i < kFrames; ++i)
        {
            DrawFrame(device.Get(), i);
            ASSERT_TRUE(grabber.Grab());
            avi.AddFrame(grabber.GetBits());
        }
    }
    EXPECT_EQ(ReadFile(sAtOnce), ReadFile(sOverlapped));
}

TEST_F(FrameRecorderTest, ReadBackSlotsRefuseMisuse)
{
    COrvTestDevice device(kWidth, kHeight, false);
    ASSERT_TRUE(device) << "no headless device";
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(OrvLockFrontBufferRead(device.Get(), 0, &locked), D3DERR_INVALIDCALL); // none queued
    EXPECT_EQ(OrvQueueFrontBufferRead(device.Get(), ORV_FRONT_BUFFER_READ_SLOTS),
              D3DERR_INVALIDCALL);
    DrawFrame(device.Get(), 3);
    ASSERT_EQ(OrvQueueFrontBufferRead(device.Get(), 1), D3D_OK);
    ASSERT_EQ(OrvLockFrontBufferRead(device.Get(), 1, &locked), D3D_OK);
    EXPECT_EQ(locked.Pitch, kWidth * 4);
    const BYTE* pTop = static_cast<const BYTE*>(locked.pBits);
    const D3DCOLOR band = FrameColor(3, 1);
    EXPECT_EQ(pTop[0], static_cast<BYTE>(band >> 16)); // red first
    EXPECT_EQ(pTop[2], static_cast<BYTE>(band));
    // A locked slot is neither queued again nor locked twice; unlocked, it is empty.
    EXPECT_EQ(OrvQueueFrontBufferRead(device.Get(), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(OrvLockFrontBufferRead(device.Get(), 1, &locked), D3DERR_INVALIDCALL);
    EXPECT_EQ(OrvUnlockFrontBufferRead(device.Get(), 1), D3D_OK);
    EXPECT_EQ(OrvUnlockFrontBufferRead(device.Get(), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(OrvLockFrontBufferRead(device.Get(), 1, &locked), D3DERR_INVALIDCALL);
    EXPECT_EQ(OrvLockFrontBufferRead(device.Get(), 1, nullptr), D3DERR_INVALIDCALL);
    // After a reset to another size the slots read the new size.
    D3DPRESENT_PARAMETERS params = device.GetParameters();
    params.BackBufferWidth = 16;
    params.BackBufferHeight = 8;
    ASSERT_EQ(device->Reset(&params), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, band, 1.0f, 0);
    device->Present(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(OrvQueueFrontBufferRead(device.Get(), 1), D3D_OK);
    ASSERT_EQ(OrvLockFrontBufferRead(device.Get(), 1, &locked), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16 * 4);
    EXPECT_EQ(static_cast<const BYTE*>(locked.pBits)[16 * 4 * 7 + 4 * 15 + 1],
              static_cast<BYTE>(band >> 8));
    EXPECT_EQ(OrvUnlockFrontBufferRead(device.Get(), 1), D3D_OK);
}

TEST_F(FrameRecorderTest, ADeviceWithoutOverlappedReadBackHasEveryFrameReadAtOnce)
{
    CRecordingDevice device(kWidth, kHeight);
    EXPECT_EQ(OrvQueueFrontBufferRead(&device, 0), D3DERR_INVALIDCALL);
    const std::string sPath = m_dir.File("foreign.avi");
    {
        ORV_Avi avi;
        ASSERT_EQ(avi.CreateAVI(nullptr, sPath.c_str(), kWidth, kHeight, 25), 0);
        CFrameRecorder recorder(&device, avi, kWidth, kHeight);
        for (int i = 0; i < 4; ++i)
        {
            device.Present(nullptr, nullptr, nullptr, nullptr);
            EXPECT_TRUE(recorder.AddPresented());
            EXPECT_EQ(recorder.GetFramesAdded(), i + 1); // at once, no lag
        }
        EXPECT_FALSE(recorder.IsOverlapped());
        EXPECT_TRUE(recorder.Finish());
        EXPECT_EQ(recorder.GetFramesAdded(), 4);
    }
    EXPECT_EQ(device.CountCalls("GetFrontBufferData"), 4u);
    EXPECT_EQ(device.CountCalls("CreateOffscreenPlainSurface"), 1u);
    EXPECT_EQ(ReadFrames(sPath).size(), 4u);
}
