// The PLN reader, the work-file round trip, fitting and the check value on any file.
#include "fuzz_support.h"
#include "image/pln_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (!plnSizeWorthTrying(data, size))
        return 0;
    SilentReporter reporter;
    ImageWorkspace ws;
    const auto path = writeInput("input.BYR", data, size);
    if (!fncReadFile_PLN(ws, path, reporter))
        return 0;
    const auto work = fuzzFolder() / "TMP" / "tmp.bin";
    if (fncMakeTmpBinFile(ws, work, reporter))
        fncReadTmpBinFile(ws, work);
    std::array<uint8_t, 4> check{};
    fncCalcChksum2(ws.sensorImage, check, reporter);
    if (fncFitToFrame(ws, reporter))
        fncWriteFile_PLN(ws, fuzzFolder() / "out.BYR", reporter);
    return 0;
}
