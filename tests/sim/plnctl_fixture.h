#pragma once
// plnctl run as a user runs it, on a program folder of its own holding the test messages and
// settings.

#include "child_process.h"
#include "link_fixture.h"

#include <gtest/gtest.h>

class PlnctlFixture : public ::testing::Test {
protected:
    PlnctlFixture()
    {
        writeTestMessages(folder);
        writeTestSettings(folder);
    }
    ChildResult run(std::vector<std::string> args, const std::vector<std::string>& env = {})
    {
        args.insert(args.begin(), {"--program-folder", folder.path().string()});
        return runChild(PLNCTL_PATH, args, env);
    }
    TempFolder folder;
};
