#pragma once
// Keeps every block the receiver stores, padding included.

#include "xmodem/xm_receiver.h"

#include <string>

class MemorySink : public XmBlockSink {
public:
    std::string data;
    bool write(const uint8_t* d, std::size_t n) override
    {
        data.append(reinterpret_cast<const char*>(d), n);
        return true;
    }
};
