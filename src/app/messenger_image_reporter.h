#pragma once
// The image code's failures as the windowed program shows them: message-file boxes by
// section and number, everything else as an error box with the failure's description.

#include "image/image_reporter.h"
#include "app/messages.h"

class MessengerImageReporter : public ImageReporter {
public:
    explicit MessengerImageReporter(Messenger& messages) : messages_(messages) {}

    void showError(const std::string& description) override { messages_.showErrorBox(description); }
    void showMessage(const std::string& section, int number, const std::string& description) override
    {
        // A message file without the entry still tells the user what went wrong.
        if (messages_.fncShowMessage(section, number) == 0)
            messages_.showErrorBox(description);
    }

private:
    Messenger& messages_;
};
