// The label-file parser on any frmMain section, in both languages: no line makes it fail, and
// every entry it gives is usable as it is (a name, a font size of 0 or 1..72).
#include "fuzz_support.h"
#include "app/app_state.h"
#include "app/label_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    static const std::string header = "[frmMain]\r\n";
    std::string text = header + std::string(reinterpret_cast<const char*>(data), size);
    writeInput("LabelENG.ini", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    writeInput("LabelJPN.ini", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    AppState state;
    state.programFolder = fuzzFolder();
    for (int16_t language : {int16_t(0), int16_t(1)}) {
        state.gLanguage = language;
        for (const LabelEntry& e : readLabelEntries(state, "frmMain")) {
            if (e.name.empty() || e.fontSize < 0 || e.fontSize > kMaxLabelFontSize || e.index < -32768 ||
                e.index > 32767)
                std::abort();
        }
    }
    return 0;
}
