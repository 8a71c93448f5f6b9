#include "JpegFile.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace
{
// libjpeg reports a fatal error by calling error_exit, which must not return: ours jumps back
// to Run(). Everything with a destructor lives in SJpegState, in the frame above Run(), so
// the jump skips no destructor.
struct SJpegErrors
{
    jpeg_error_mgr m_manager{};
    std::jmp_buf m_jump{};
    char m_acMessage[JMSG_LENGTH_MAX] = {};
};

struct SJpegState
{
    jpeg_decompress_struct m_info{};
    SJpegErrors m_errors;
    jpeg_progress_mgr m_progress{};
    std::vector<uint8_t> m_auRow;
};

[[noreturn]] void ExitWithError(j_common_ptr pInfo)
{
    auto* pErrors = reinterpret_cast<SJpegErrors*>(pInfo->err);
    pInfo->err->format_message(pInfo, pErrors->m_acMessage);
    std::longjmp(pErrors->m_jump, 1);
}

// Warnings and traces stay quiet: a damaged file is the caller's to report.
void KeepQuiet(j_common_ptr) {}

// Called between the passes over a progressive file's scans.
void WatchScans(j_common_ptr pInfo)
{
    const auto* pDecompress = reinterpret_cast<j_decompress_ptr>(pInfo);
    if (pDecompress->input_scan_number <= COrvJpegFile::s_iMaxScans)
        return;
    auto* pErrors = reinterpret_cast<SJpegErrors*>(pInfo->err);
    std::snprintf(pErrors->m_acMessage, sizeof(pErrors->m_acMessage), "more than %d scans",
                  COrvJpegFile::s_iMaxScans);
    std::longjmp(pErrors->m_jump, 1);
}

uint8_t Ink(unsigned uColour, unsigned uBlack, bool bInverted)
{
    // Adobe's files store CMYK inverted (255: no ink), as libjpeg hands them over.
    if (!bInverted)
        uColour = 255 - uColour, uBlack = 255 - uBlack;
    return uint8_t((uColour * uBlack + 127) / 255);
}

// One decoded row (grey, RGB or CMYK) into RGBA.
void ExpandRow(const jpeg_decompress_struct& info, const uint8_t* pIn, uint8_t* pOut)
{
    const bool bInverted = info.saw_Adobe_marker;
    for (JDIMENSION x = 0; x < info.output_width; ++x, pOut += 4)
    {
        switch (info.out_color_space)
        {
        case JCS_GRAYSCALE:
            pOut[0] = pOut[1] = pOut[2] = pIn[x];
            break;
        case JCS_CMYK:
            for (int c = 0; c < 3; ++c)
                pOut[c] = Ink(pIn[4 * x + c], pIn[4 * x + 3], bInverted);
            break;
        default:
            for (int c = 0; c < 3; ++c)
                pOut[c] = pIn[3 * x + c];
            break;
        }
        pOut[3] = 255;
    }
}

// The decoding itself, left through ExitWithError on a fatal error. It holds nothing with a
// destructor: the jump out of libjpeg skips its frame.
bool DecodeAll(SJpegState& state, const uint8_t* pData, size_t uSize, SOrvPixels& rImage)
{
    jpeg_decompress_struct& info = state.m_info;
    jpeg_create_decompress(&info);
    // Room for the largest picture accepted, not for what a forged header claims.
    info.mem->max_memory_to_use = 1024l << 20;
    info.progress = &state.m_progress;
    jpeg_mem_src(&info, pData, static_cast<unsigned long>(uSize));
    jpeg_read_header(&info, TRUE);
    if (!COrvImageFile::IsAcceptedSize(info.image_width, info.image_height))
    {
        std::snprintf(state.m_errors.m_acMessage, sizeof(state.m_errors.m_acMessage),
                      "the image has no size or is too large");
        return false;
    }
    const bool bGrey = info.jpeg_color_space == JCS_GRAYSCALE;
    const bool bInk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = bGrey ? JCS_GRAYSCALE : bInk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    rImage.m_uWidth = info.output_width;
    rImage.m_uHeight = info.output_height;
    rImage.m_iFileChannels = bGrey ? 1 : 3;
    rImage.m_auRgba.resize(size_t(info.output_width) * info.output_height * 4);
    state.m_auRow.resize(size_t(info.output_width) * info.output_components);
    while (info.output_scanline < info.output_height)
    {
        const size_t uRow = info.output_scanline;
        JSAMPROW pRow = state.m_auRow.data();
        if (jpeg_read_scanlines(&info, &pRow, 1) != 1)
            break;
        ExpandRow(info, state.m_auRow.data(), &rImage.m_auRgba[uRow * info.output_width * 4]);
    }
    jpeg_finish_decompress(&info);
    return true;
}

// False, with the library's message in state, when libjpeg gives up on the file.
bool Run(SJpegState& state, const uint8_t* pData, size_t uSize, SOrvPixels& rImage)
{
    if (setjmp(state.m_errors.m_jump))
        return false;
    return DecodeAll(state, pData, uSize, rImage);
}
} // namespace

bool COrvJpegFile::Decode(const uint8_t* pData, size_t uSize, SOrvPixels& rImage,
                          std::string& sError)
{
    SJpegState state;
    state.m_info.err = jpeg_std_error(&state.m_errors.m_manager);
    state.m_errors.m_manager.error_exit = ExitWithError;
    state.m_errors.m_manager.output_message = KeepQuiet;
    state.m_progress.progress_monitor = WatchScans;
    const bool bOk = Run(state, pData, uSize, rImage);
    jpeg_destroy_decompress(&state.m_info);
    if (!bOk)
    {
        rImage = SOrvPixels();
        sError = std::string("the JPEG cannot be decoded: ") + state.m_errors.m_acMessage;
    }
    return bOk;
}
