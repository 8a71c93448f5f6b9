// Pictures as demo makers bring them: every kind of BMP, TGA in every layout and origin,
// PNGs of every colour type, baseline and progressive JPEGs; and broken ones.
#include "ImageFile.h"
#include "ImageWriters.h"

#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <jpeglib.h>

using namespace orv::test;

namespace
{
// A picture of distinct colours, with alpha, that shows any row or column slip.
SPicture Colourful(uint32_t uWidth, uint32_t uHeight)
{
    return MakePicture(uWidth, uHeight,
                       [](uint32_t x, uint32_t y)
                       {
                           return Rgba{uint8_t(x * 19 + y * 3), uint8_t(255 - y * 23 - x),
                                       uint8_t((x * y * 7) ^ 0x5a), uint8_t(40 + x * 13 + y * 5)};
                       });
}

// A picture of a few palette colours in runs and single pixels, as RLE files hold them.
SPicture FromPalette(uint32_t uWidth, uint32_t uHeight, const std::vector<Rgba>& palette)
{
    return MakePicture(uWidth, uHeight,
                       [&](uint32_t x, uint32_t y)
                       {
                           const uint32_t i = (x % 5 == 4) ? (x * 7 + y) : (x / 5 + y * 3);
                           return palette[i % palette.size()];
                       });
}

std::vector<Rgba> Palette(size_t uCount, bool bGrey = false)
{
    std::vector<Rgba> palette;
    for (size_t i = 0; i < uCount; ++i)
    {
        const auto v = uint8_t(i * 255 / std::max<size_t>(uCount - 1, 1));
        palette.push_back(bGrey
                              ? Rgba{v, v, v, 255}
                              : Rgba{uint8_t(i * 37), uint8_t(255 - i * 11), uint8_t(i * i), 255});
    }
    return palette;
}

testing::AssertionResult SamePixels(const SOrvPixels& actual, const SPicture& expected,
                                    const std::function<Rgba(const Rgba&)>& through, int iTolerance)
{
    if (actual.m_uWidth != expected.m_uWidth || actual.m_uHeight != expected.m_uHeight)
        return testing::AssertionFailure() << "size " << actual.m_uWidth << "x" << actual.m_uHeight;
    for (uint32_t y = 0; y < expected.m_uHeight; ++y)
        for (uint32_t x = 0; x < expected.m_uWidth; ++x)
        {
            const Rgba want = through(expected.At(x, y));
            const uint8_t* pHave = &actual.m_auRgba[(size_t(y) * actual.m_uWidth + x) * 4];
            for (int c = 0; c < 4; ++c)
                if (std::abs(int(pHave[c]) - int(want[c])) > iTolerance)
                    return testing::AssertionFailure()
                           << "pixel " << x << "," << y << " channel " << c << ": " << int(pHave[c])
                           << " instead of " << int(want[c]);
        }
    return testing::AssertionSuccess();
}

Rgba Opaque(const Rgba& c)
{
    return {c[0], c[1], c[2], 255};
}

std::function<Rgba(const Rgba&)> ThroughMasks(const uint32_t* pMasks)
{
    const std::array<uint32_t, 4> auMasks = {pMasks[0], pMasks[1], pMasks[2], pMasks[3]};
    return [auMasks](const Rgba& c)
    {
        return Rgba{ThroughMask(c[0], auMasks[0]), ThroughMask(c[1], auMasks[1]),
                    ThroughMask(c[2], auMasks[2]), ThroughMask(c[3], auMasks[3])};
    };
}

bool DecodeFile(const std::string& bytes, SOrvPixels& pixels, D3DXIMAGE_INFO& info)
{
    std::string sError;
    SOrvImageSet set;
    if (!COrvImageFile::DecodeSet(bytes.data(), bytes.size(), set, sError) ||
        !COrvImageFile::Decode(bytes.data(), bytes.size(), pixels, sError))
    {
        ADD_FAILURE() << sError;
        return false;
    }
    info = set.m_Info;
    return true;
}

// Cuts and flips bytes of a valid file: every result is refused or read, never a crash.
void DamageAndDecode(const std::string& bytes)
{
    uint32_t uRandom = 12345;
    std::vector<std::string> damaged;
    for (size_t uCut :
         {size_t(1), size_t(14), size_t(30), size_t(54), bytes.size() / 2, bytes.size() - 1})
        damaged.push_back(bytes.substr(0, std::min(uCut, bytes.size())));
    for (int k = 0; k < 40; ++k)
    {
        std::string flipped = bytes;
        for (int n = 0; n < 4; ++n)
        {
            uRandom = uRandom * 1664525u + 1013904223u;
            flipped[(uRandom >> 8) %
                    std::min<size_t>(flipped.size(), k < 20 ? 80 : flipped.size())] ^=
                char(1 << (uRandom & 7));
        }
        damaged.push_back(flipped);
    }
    for (const std::string& file : damaged)
    {
        SOrvPixels pixels;
        std::string sError;
        if (COrvImageFile::Decode(file.data(), file.size(), pixels, sError))
        {
            EXPECT_EQ(pixels.m_auRgba.size(), size_t(pixels.m_uWidth) * pixels.m_uHeight * 4);
        }
        else
            EXPECT_FALSE(sError.empty());
    }
}
} // namespace

TEST(ImageFormats, EveryKindOfBmpGivesItsPixels)
{
    struct SCase
    {
        const char* m_pName;
        SBmpOptions m_Options;
        D3DFORMAT m_eInfoFormat;
    };
    const std::vector<Rgba> two = Palette(2), sixteen = Palette(16), many = Palette(200),
                            grey = Palette(256, true);
    const SCase aCases[] = {
        {"1-bit", Bmp(1, 0, 40, two), D3DFMT_P8},
        {"4-bit", Bmp(4, 0, 40, sixteen), D3DFMT_P8},
        {"8-bit", Bmp(8, 0, 40, many), D3DFMT_P8},
        {"8-bit grey", Bmp(8, 0, 40, grey), D3DFMT_P8},
        {"8-bit top-down", Bmp(8, 0, 40, many, {}, true), D3DFMT_P8},
        {"RLE8", Bmp(8, 1, 40, many), D3DFMT_P8},
        {"RLE4", Bmp(4, 2, 40, sixteen), D3DFMT_P8},
        {"OS/2 8-bit", Bmp(8, 0, 12, many), D3DFMT_P8},
        {"OS/2 24-bit", Bmp(24, 0, 12), D3DFMT_R8G8B8},
        {"OS/2 version 2 8-bit", Bmp(8, 0, 64, many), D3DFMT_P8},
        {"OS/2 version 2 RLE4", Bmp(4, 2, 64, sixteen), D3DFMT_P8},
        {"version 4 8-bit", Bmp(8, 0, 108, sixteen), D3DFMT_P8},
        {"version 5 4-bit", Bmp(4, 0, 124, sixteen), D3DFMT_P8},
        {"16-bit 5-5-5", Bmp(16, 0, 40), D3DFMT_X1R5G5B5},
        {"16-bit 5-6-5", Bmp(16, 3, 40, {}, {0xf800, 0x07e0, 0x001f, 0}), D3DFMT_R5G6B5},
        {"16-bit 1-5-5-5", Bmp(16, 3, 56, {}, {0x7c00, 0x03e0, 0x001f, 0x8000}), D3DFMT_A1R5G5B5},
        {"16-bit 4-4-4-4", Bmp(16, 6, 40, {}, {0x0f00, 0x00f0, 0x000f, 0xf000}), D3DFMT_A4R4G4B4},
        {"24-bit", Bmp(24, 0, 40), D3DFMT_R8G8B8},
        {"24-bit top-down", Bmp(24, 0, 40, {}, {}, true), D3DFMT_R8G8B8},
        {"32-bit, fourth byte unused", Bmp(32, 0, 40, {}, {}, false, 0x37), D3DFMT_X8R8G8B8},
        {"32-bit version 5, no masks used",
         Bmp(32, 0, 124, {}, {0xff0000, 0xff00, 0xff, 0xff000000}, false, 0x80), D3DFMT_X8R8G8B8},
        {"32-bit with alpha", Bmp(32, 3, 124, {}, {0xff0000, 0xff00, 0xff, 0xff000000}),
         D3DFMT_A8R8G8B8},
        {"32-bit blue first", Bmp(32, 3, 108, {}, {0xff, 0xff00, 0xff0000, 0xff000000}, true),
         D3DFMT_A8B8G8R8},
        {"32-bit 10-10-10-2", Bmp(32, 3, 108, {}, {0x3ff00000, 0xffc00, 0x3ff, 0xc0000000}),
         D3DFMT_A2R10G10B10},
        {"32-bit 11-11-10", Bmp(32, 3, 40, {}, {0xffe00000, 0x1ffc00, 0x3ff, 0}), D3DFMT_X8R8G8B8},
    };
    for (const SCase& test : aCases)
    {
        const SBmpOptions& options = test.m_Options;
        const SPicture picture =
            options.m_aPalette.empty() ? Colourful(13, 7) : FromPalette(13, 7, options.m_aPalette);
        const std::string file = WriteBmp(picture, options);
        SOrvPixels pixels;
        D3DXIMAGE_INFO info{};
        ASSERT_TRUE(DecodeFile(file, pixels, info)) << test.m_pName;
        EXPECT_EQ(info.Format, test.m_eInfoFormat) << test.m_pName;
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_BMP);
        std::function<Rgba(const Rgba&)> through = Opaque;
        if (options.m_uBits == 16 || options.m_uCompression == 3 || options.m_uCompression == 6)
        {
            uint32_t auMasks[4] = {options.m_auMasks[0], options.m_auMasks[1], options.m_auMasks[2],
                                   options.m_auMasks[3]};
            if (options.m_uCompression == 0)
                auMasks[0] = 0x7c00, auMasks[1] = 0x03e0, auMasks[2] = 0x001f, auMasks[3] = 0;
            through = ThroughMasks(auMasks);
        }
        EXPECT_TRUE(SamePixels(pixels, picture, through, 1)) << test.m_pName;
    }
}

TEST(ImageFormats, BrokenBmpsAreRefusedOrReadWithoutHarm)
{
    const std::vector<Rgba> palette = Palette(16);
    const SPicture picture = FromPalette(21, 9, palette);
    for (const SBmpOptions& options :
         {Bmp(8, 1, 40, palette), Bmp(4, 2, 40, palette), Bmp(4, 0, 40, palette),
          Bmp(16, 3, 40, {}, {0xf800, 0x07e0, 0x001f, 0}),
          Bmp(32, 3, 108, {}, {0x3ff00000, 0xffc00, 0x3ff, 0xc0000000})})
        DamageAndDecode(WriteBmp(picture, options));

    // Run lengths that leave the picture, deltas past its end, and no end marker.
    const SBmpOptions rle = Bmp(8, 1, 40, palette);
    std::string file = WriteBmp(FromPalette(4, 4, palette), rle);
    for (const std::string& codes :
         {std::string("\xff\x01\xff\x02\x00\x00", 6), std::string("\x00\x02\x50\x50\x01\x03", 6),
          std::string("\x00\xff\x01\x02", 4), std::string("\x02\x01", 2)})
    {
        std::string broken = file.substr(0, 14 + 40 + 16 * 4) + codes;
        broken.replace(2, 4, std::string(4, '\0'));
        SOrvPixels pixels;
        std::string sError;
        if (COrvImageFile::Decode(broken.data(), broken.size(), pixels, sError))
        {
            EXPECT_EQ(pixels.m_uWidth, 4u);
        }
    }
    // A few bytes of run lengths that claim a picture of 16000 x 16000 pixels: refused, not
    // unpacked into a gigabyte.
    std::string claim = WriteBmp(FromPalette(4, 4, palette), rle);
    const uint32_t uSide = 16000;
    claim.replace(18, 4, std::string(reinterpret_cast<const char*>(&uSide), 4));
    claim.replace(22, 4, std::string(reinterpret_cast<const char*>(&uSide), 4));
    SOrvPixels giant;
    std::string sGiantError;
    EXPECT_FALSE(COrvImageFile::Decode(claim.data(), claim.size(), giant, sGiantError));
    // Sizes no picture has.
    for (int32_t iWidth : {0, -5, 100000})
    {
        std::string huge =
            WriteBmp(MakePicture(1, 1, [](uint32_t, uint32_t) { return Rgba{}; }), SBmpOptions{});
        huge.replace(18, 4, std::string(reinterpret_cast<const char*>(&iWidth), 4));
        SOrvPixels pixels;
        std::string sError;
        EXPECT_FALSE(COrvImageFile::Decode(huge.data(), huge.size(), pixels, sError)) << iWidth;
    }
}

TEST(ImageFormats, TgaInEveryLayoutAndOrigin)
{
    const std::vector<Rgba> palette = Palette(50);
    const std::vector<Rgba> grey = Palette(256, true);
    struct SCase
    {
        const char* m_pName;
        STgaOptions m_Options;
        D3DFORMAT m_eInfoFormat;
    } aCases[] = {
        {"24-bit", Tga(2, 24), D3DFMT_R8G8B8},
        {"32-bit top-down", Tga(2, 32, true, false, 8), D3DFMT_A8R8G8B8},
        {"32-bit right-to-left", Tga(2, 32, false, true, 8), D3DFMT_A8R8G8B8},
        {"24-bit from the top right", Tga(2, 24, true, true), D3DFMT_R8G8B8},
        {"16-bit", Tga(2, 16), D3DFMT_X1R5G5B5},
        {"RLE 24-bit", Tga(10, 24), D3DFMT_R8G8B8},
        {"RLE 32-bit top-down", Tga(10, 32, true, false, 8), D3DFMT_A8R8G8B8},
        {"grey", Tga(3, 8), D3DFMT_L8},
        {"RLE grey, right-to-left", Tga(11, 8, false, true), D3DFMT_L8},
        {"colour-mapped", Tga(1, 8, false, false, 0, palette), D3DFMT_P8},
        {"RLE colour-mapped top-down", Tga(9, 8, true, false, 0, palette), D3DFMT_P8},
    };
    for (const SCase& test : aCases)
    {
        const STgaOptions& options = test.m_Options;
        const uint32_t uBase = options.m_uType & 7;
        const SPicture picture = uBase == 1   ? FromPalette(11, 6, palette)
                                 : uBase == 3 ? FromPalette(11, 6, grey)
                                              : Colourful(11, 6);
        SOrvPixels pixels;
        D3DXIMAGE_INFO info{};
        ASSERT_TRUE(DecodeFile(WriteTga(picture, options), pixels, info)) << test.m_pName;
        EXPECT_EQ(info.Format, test.m_eInfoFormat) << test.m_pName;
        std::function<Rgba(const Rgba&)> through =
            options.m_uBits == 32 ? [](const Rgba& c) { return c; } : Opaque;
        if (options.m_uBits == 16)
        {
            static const uint32_t s_auMasks[4] = {0x7c00, 0x03e0, 0x001f, 0};
            through = ThroughMasks(s_auMasks);
        }
        EXPECT_TRUE(SamePixels(pixels, picture, through, 1)) << test.m_pName;
    }
    DamageAndDecode(WriteTga(Colourful(9, 5), Tga(10, 32, false, false, 8)));
    DamageAndDecode(WriteTga(FromPalette(9, 5, palette), Tga(9, 8, false, false, 0, palette)));
}

TEST(ImageFormats, PngOfEveryColourType)
{
    const SPicture picture = Colourful(9, 6);
    std::vector<uint8_t> auRgba;
    for (const Rgba& c : picture.m_aPixels)
        auRgba.insert(auRgba.end(), c.begin(), c.end());
    struct SCase
    {
        int m_iChannels;
        D3DFORMAT m_eInfoFormat;
    };
    for (SCase test : {SCase{1, D3DFMT_L8}, SCase{2, D3DFMT_A8L8}, SCase{3, D3DFMT_X8R8G8B8},
                       SCase{4, D3DFMT_A8R8G8B8}})
    {
        std::vector<uint8_t> auIn;
        for (size_t i = 0; i < auRgba.size(); i += 4)
        {
            if (test.m_iChannels <= 2)
                auIn.push_back(auRgba[i]);
            else
                auIn.insert(auIn.end(), {auRgba[i], auRgba[i + 1], auRgba[i + 2]});
            if (test.m_iChannels % 2 == 0)
                auIn.push_back(auRgba[i + 3]);
        }
        std::string file;
        ASSERT_TRUE(stbi_write_png_to_func(
            [](void* pContext, void* pData, int iSize) {
                static_cast<std::string*>(pContext)->append(static_cast<char*>(pData),
                                                            size_t(iSize));
            },
            &file, 9, 6, test.m_iChannels, auIn.data(), 9 * test.m_iChannels));
        SOrvPixels pixels;
        D3DXIMAGE_INFO info{};
        ASSERT_TRUE(DecodeFile(file, pixels, info));
        EXPECT_EQ(info.Format, test.m_eInfoFormat);
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
        auto through = [&](const Rgba& c) -> Rgba
        {
            const uint8_t a = test.m_iChannels % 2 == 0 ? c[3] : 255;
            return test.m_iChannels <= 2 ? Rgba{c[0], c[0], c[0], a} : Rgba{c[0], c[1], c[2], a};
        };
        EXPECT_TRUE(SamePixels(pixels, picture, through, 0)) << test.m_iChannels;
        if (test.m_iChannels == 4)
            DamageAndDecode(file);
    }
}

namespace
{
// How a test JPEG is written: every choice libjpeg offers that changes the file's structure.
struct SJpegKind
{
    const char* m_pName;
    bool m_bGrey = false;
    int m_iH = 1, m_iV = 1;     // luma sampling factors: 2, 2 is 4:2:0, 2, 1 is 4:2:2
    int m_iRestartRows = 0;     // restart markers every that many MCU rows
    bool m_bArithmetic = false; // arithmetic instead of Huffman coding
    int m_iScript = 0;          // 0 sequential, 1 libjpeg's progression, 2+ ProgressiveScript
    bool m_bOptimise = false;   // Huffman tables made for the picture
};

jpeg_scan_info Scan(std::initializer_list<int> components, int iSs, int iSe, int iAh, int iAl)
{
    jpeg_scan_info scan{};
    scan.comps_in_scan = int(components.size());
    int i = 0;
    for (int c : components)
        scan.component_index[i++] = c;
    scan.Ss = iSs;
    scan.Se = iSe;
    scan.Ah = iAh;
    scan.Al = iAl;
    return scan;
}

// Progressive scan scripts beyond libjpeg's own: 2, the DC of each component in a scan of its
// own, then one AC coefficient a scan (190 scans for colour); 3, successive approximation
// three bits deep in both DC and AC, bands split unevenly.
std::vector<jpeg_scan_info> ProgressiveScript(int iScript, int iComponents)
{
    std::vector<jpeg_scan_info> scans;
    if (iScript == 2)
    {
        for (int c = 0; c < iComponents; ++c)
            scans.push_back(Scan({c}, 0, 0, 0, 0));
        for (int k = 1; k < 64; ++k)
            for (int c = 0; c < iComponents; ++c)
                scans.push_back(Scan({c}, k, k, 0, 0));
        return scans;
    }
    scans.push_back(iComponents == 3 ? Scan({0, 1, 2}, 0, 0, 0, 3) : Scan({0}, 0, 0, 0, 3));
    for (int c = 0; c < iComponents; ++c)
    {
        scans.push_back(Scan({c}, 1, 9, 0, 3));
        scans.push_back(Scan({c}, 10, 63, 0, 2));
    }
    for (int iBit = 3; iBit > 0; --iBit)
    {
        scans.push_back(iComponents == 3 ? Scan({0, 1, 2}, 0, 0, iBit, iBit - 1)
                                         : Scan({0}, 0, 0, iBit, iBit - 1));
        for (int c = 0; c < iComponents; ++c)
        {
            scans.push_back(Scan({c}, 1, 9, iBit, iBit - 1));
            if (iBit <= 2)
                scans.push_back(Scan({c}, 10, 63, iBit, iBit - 1));
        }
    }
    return scans;
}

// libjpeg, the reference JPEG codec: writes a file of that kind and decodes it.
std::string WriteJpeg(const SPicture& picture, const SJpegKind& kind)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* pBuffer = nullptr;
    unsigned long uSize = 0;
    jpeg_mem_dest(&cinfo, &pBuffer, &uSize);
    cinfo.image_width = picture.m_uWidth;
    cinfo.image_height = picture.m_uHeight;
    const int iComponents = kind.m_bGrey ? 1 : 3;
    cinfo.input_components = iComponents;
    cinfo.in_color_space = kind.m_bGrey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    cinfo.comp_info[0].h_samp_factor = kind.m_iH;
    cinfo.comp_info[0].v_samp_factor = kind.m_iV;
    cinfo.restart_in_rows = kind.m_iRestartRows;
    cinfo.arith_code = kind.m_bArithmetic;
    cinfo.optimize_coding = kind.m_bOptimise;
    std::vector<jpeg_scan_info> scans;
    if (kind.m_iScript == 1)
        jpeg_simple_progression(&cinfo);
    else if (kind.m_iScript >= 2)
    {
        scans = ProgressiveScript(kind.m_iScript, iComponents);
        cinfo.scan_info = scans.data();
        cinfo.num_scans = int(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<uint8_t> auRow(picture.m_uWidth * 3);
    while (cinfo.next_scanline < cinfo.image_height)
    {
        const uint32_t y = cinfo.next_scanline;
        size_t k = 0;
        for (uint32_t x = 0; x < picture.m_uWidth; ++x)
            for (int c = 0; c < iComponents; ++c)
                auRow[k++] = picture.At(x, y)[c];
        JSAMPROW pRow = auRow.data();
        jpeg_write_scanlines(&cinfo, &pRow, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string file(reinterpret_cast<char*>(pBuffer), uSize);
    std::free(pBuffer);
    return file;
}

SPicture ReadJpeg(const std::string& file)
{
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    SPicture picture{cinfo.output_width, cinfo.output_height, {}};
    std::vector<uint8_t> auRow(cinfo.output_width * 3);
    while (cinfo.output_scanline < cinfo.output_height)
    {
        JSAMPROW pRow = auRow.data();
        jpeg_read_scanlines(&cinfo, &pRow, 1);
        for (uint32_t x = 0; x < cinfo.output_width; ++x)
            picture.m_aPixels.push_back({auRow[3 * x], auRow[3 * x + 1], auRow[3 * x + 2], 255});
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return picture;
}
} // namespace

TEST(ImageFormats, EveryKindOfJpegMatchesTheReferenceDecoder)
{
    const SPicture picture =
        MakePicture(67, 45,
                    [](uint32_t x, uint32_t y)
                    {
                        return Rgba{uint8_t(x * 3), uint8_t(y * 5),
                                    uint8_t(128 + 100 * std::sin(x * 0.3 + y * 0.2)), 255};
                    });
    const SJpegKind aKinds[] = {
        {"baseline 4:2:0", false, 2, 2},
        {"baseline 4:2:2", false, 2, 1},
        {"baseline 4:4:4", false, 1, 1},
        {"baseline 4:4:0", false, 1, 2},
        {"baseline grey", true},
        {"restart markers", false, 2, 2, 1},
        {"restart markers grey", true, 1, 1, 2},
        {"optimised tables", false, 2, 1, 0, false, 0, true},
        {"arithmetic", false, 2, 2, 0, true},
        {"progressive 4:2:0", false, 2, 2, 0, false, 1},
        {"progressive 4:2:2", false, 2, 1, 0, false, 1},
        {"progressive grey", true, 1, 1, 0, false, 1},
        {"progressive restart markers", false, 2, 2, 1, false, 1},
        {"progressive arithmetic", false, 2, 2, 0, true, 1},
        {"one coefficient a scan", false, 2, 2, 0, false, 2},
        {"one coefficient a scan 4:4:4", false, 1, 1, 0, false, 2},
        {"one coefficient a scan grey", true, 1, 1, 0, false, 2},
        {"successive approximation", false, 2, 1, 0, false, 3},
        {"successive approximation grey", true, 1, 1, 0, false, 3},
        {"successive approximation restarts", false, 2, 2, 1, false, 3, true},
    };
    for (const SJpegKind& kind : aKinds)
    {
        const std::string file = WriteJpeg(picture, kind);
        SOrvPixels pixels;
        D3DXIMAGE_INFO info{};
        ASSERT_TRUE(DecodeFile(file, pixels, info)) << kind.m_pName;
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_JPG);
        EXPECT_EQ(info.Format, kind.m_bGrey ? D3DFMT_L8 : D3DFMT_X8R8G8B8) << kind.m_pName;
        EXPECT_EQ(info.Width, 67u);
        EXPECT_EQ(info.Height, 45u);
        EXPECT_TRUE(SamePixels(pixels, ReadJpeg(file), Opaque, 2)) << kind.m_pName;
    }
}

TEST(ImageFormats, DamagedJpegsAreRefusedOrReadNeverFatal)
{
    const SPicture picture = Colourful(40, 24);
    for (const SJpegKind& kind :
         {SJpegKind{"baseline", false, 2, 2, 1}, SJpegKind{"progressive", false, 2, 2, 0, false, 1},
          SJpegKind{"successive approximation", false, 2, 1, 0, false, 3},
          SJpegKind{"arithmetic", true, 1, 1, 0, true}})
        DamageAndDecode(WriteJpeg(picture, kind));

    // A header without any scan, and a file that claims a picture too large to accept.
    const std::string whole = WriteJpeg(picture, SJpegKind{"baseline"});
    const size_t uScan = whole.find("\xff\xda");
    ASSERT_NE(uScan, std::string::npos);
    SOrvPixels pixels;
    std::string sError;
    EXPECT_FALSE(COrvImageFile::Decode(whole.data(), uScan, pixels, sError));
    EXPECT_NE(sError.find("JPEG"), std::string::npos) << sError;
    std::string huge = whole;
    const size_t uFrame = huge.find("\xff\xc0");
    ASSERT_NE(uFrame, std::string::npos);
    huge[uFrame + 5] = huge[uFrame + 6] = huge[uFrame + 7] = huge[uFrame + 8] = char(0x7f);
    EXPECT_FALSE(COrvImageFile::Decode(huge.data(), huge.size(), pixels, sError));
}
