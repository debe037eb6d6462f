#pragma once
// The image code's failures as the windowed program shows them: message-file boxes by
// section and number, everything else as an error box with the failure's description.

#include "image/image_reporter.h"
#include "messages.h"

class MessengerImageReporter : public ImageReporter {
public:
    explicit MessengerImageReporter(Messenger& messages) : messages_(messages) {}

    void showError(const std::string& description) override { messages_.showErrorBox(description); }
    void showMessage(const std::string& section, int number, const std::string&) override
    {
        messages_.fncShowMessage(section, number);
    }

private:
    Messenger& messages_;
};
