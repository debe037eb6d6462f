#pragma once
// A Prompter for drivers that run without anyone at the screen: each box's text goes to
// stderr and the box is answered OK (Yes for a question), so a failure is seen in the log
// and the run goes on to its end.

#include "app/prompter.h"

#include <cstdio>
#include <string>

class UnattendedPrompter : public Prompter {
public:
    int show(const BoxRequest& box) override
    {
        std::string text;
        for (char c : box.text)
            if (c != '\r')
                text += c;
        std::fprintf(stderr, "%s\n", text.c_str());
        const int buttons = box.style & 0x0F;
        return buttons == 3 || buttons == 4 ? kAnswerYes : kAnswerOK;
    }
};
