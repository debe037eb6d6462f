// One batch entry from any file: PLN read, work file, headerless read, gains, demosaic, BMP.
// The first four bytes choose the pattern code and the gains; the rest is the file. Every
// instruction set's demosaic must give the same bytes.
#include "fuzz_support.h"
#include "image/bmp_file.h"
#include "image/demosaic.h"
#include "image/raw_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    ConversionOverrides overrides;
    overrides.hasPattern = true;
    overrides.bayerPattern = data[0] & 7;
    overrides.hasGains = true;
    overrides.gainR = data[1];
    overrides.gainG = data[2];
    overrides.gainB = data[3];
    data += 4;
    size -= 4;
    if (!plnSizeWorthTrying(data, size))
        return 0;
    SilentReporter reporter;
    ImageWorkspace ws;
    const auto path = writeInput("input.BYR", data, size);
    if (convertBatchEntry(ws, reporter, fuzzFolder(), path, overrides) != EntryResult::Converted)
        return 0;
    const PixelArray& px = ws.sensorImage.pixels;
    const HkrHeader& h = ws.sensorImage.hkrHeader;
    if (ws.sensorImage.plnHeader.colourFlag != 0)
        return 0;
    std::vector<uint8_t> out(ws.bmpBuffer.bytes.size());
    for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2}) {
        demosaicToBmpRows(px.data.data(), px.width, px.height, h.bayerPattern, h.gainR, h.gainG, h.gainB, out.data(),
                          level);
        if (out != ws.bmpBuffer.bytes)
            __builtin_trap();
    }
    return 0;
}
