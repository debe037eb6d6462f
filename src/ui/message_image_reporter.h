#pragma once
// The image functions' failures as the windows show them: boxes of the message file, and
// error boxes with the failure's description.

#include "app/messages.h"
#include "image/image_reporter.h"

class MessageImageReporter : public ImageReporter {
public:
    explicit MessageImageReporter(Messenger& messages) : messages_(messages) {}

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
