// The BMP reader on any file, then the way back to a raw image.
#include "fuzz_support.h"
#include "image/bmp_file.h"
#include "image/bmp_to_raw.h"
#include "image/pln_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    SilentReporter reporter;
    ImageWorkspace ws;
    const auto path = writeInput("input.bmp", data, size);
    if (!fncReadBmp(ws, path, reporter))
        return 0;
    if (!fncBmpToRaw(ws, reporter))
        return 0;
    ws.sensorImage = ws.uploadImage;
    if (fncMakeTmpBinFile(ws, fuzzFolder() / "TMP" / "tmp.bin", reporter) && fncFitToFrame(ws, reporter))
        fncWriteFile_PLN(ws, fuzzFolder() / "out.BYR", reporter);
    // The picture written again must read back the same.
    std::vector<uint8_t> file;
    BmpPixelBuffer back;
    std::string error;
    if (encodeBmp(ws.bmpBuffer, ws.imageWidth, ws.imageHeight, file) &&
        (!decodeBmp(file.data(), file.size(), back, error) || back.bytes != ws.bmpBuffer.bytes))
        __builtin_trap();
    return 0;
}
