#pragma once
// plnctl's message boxes: the text goes to stderr and the box is answered OK (Yes for a
// question), as a user who reads and confirms would.

#include "app/prompter.h"

#include <cstdio>
#include <string>

class StderrPrompter : public Prompter {
public:
    int shown = 0;
    // The last box, for a --json report: whether there was one, its number (-1 for a fixed
    // text) and its text.
    bool hasLastBox = false;
    long lastNumber = -1;
    std::string lastText;

    int show(const BoxRequest& box) override
    {
        ++shown;
        std::string text;
        for (char c : box.text)
            if (c != '\r')
                text += c;
        std::fprintf(stderr, "%s\n", text.c_str());
        hasLastBox = true;
        lastNumber = box.number;
        lastText = text;
        int buttons = box.style & 0x0F;
        return buttons == 3 || buttons == 4 ? kAnswerYes : kAnswerOK;
    }
};
