#pragma once
// A Prompter for tests: answers from a script (OK when the script is empty) and records
// every box shown.

#include "app/prompter.h"

#include <deque>
#include <vector>

class RecordingPrompter : public Prompter {
public:
    std::vector<BoxRequest> shown;
    std::deque<int> answers;

    int show(const BoxRequest& box) override
    {
        shown.push_back(box);
        if (answers.empty())
            return kAnswerOK;
        int a = answers.front();
        answers.pop_front();
        return a;
    }
};
