// The frame of every device operation: what the window shows in which order, and that every
// failure is reported at most once and leaves the main window enabled and the window unloaded.
#include "link_fixture.h"
#include "recording_operation_view.h"
#include "scripted_file_dialogs.h"

#include "link/link_error.h"
#include "operations/operation_frame.h"
#include "xmodem/transfer_control.h"

#include <gtest/gtest.h>

namespace {

class OperationFrameTest : public LinkFixture {
protected:
    bool run(const OperationFrameKind& kind, const std::function<bool(OperationFrame&)>& body)
    {
        return runOperation(ctx, kind, body);
    }
    void expectClosed()
    {
        EXPECT_TRUE(view.mainEnabled);
        EXPECT_FALSE(view.shown);
        EXPECT_FALSE(view.progressVisible);
        ASSERT_GE(view.log.size(), 2u);
        EXPECT_EQ(view.log.back(), "unload");
    }

    RecordingOperationView view;
    ScriptedFileDialogs dialogs;
    OperationContext ctx{*link, view, dialogs};
};

TEST_F(OperationFrameTest, OpensTheWindowInOrderAndClosesItAfterSuccess)
{
    state.gStopRequest = -1;  // left over from the last operation
    bool sawDisabled = false;
    bool ok = run(OperationFrameKind::Load, [&](OperationFrame& frame) {
        frame.openWindow();
        EXPECT_EQ(state.gStopRequest, 0);
        frame.step(7);
        frame.step(8);
        sawDisabled = !view.mainEnabled && view.shown;
        return true;
    });
    EXPECT_TRUE(ok);
    EXPECT_TRUE(sawDisabled);
    EXPECT_EQ(view.log, (std::vector<std::string>{"progress on", "read on", "main off", "step 6", "show", "step 7",
                                                  "step 8", "progress off", "main on", "unload"}));
    EXPECT_TRUE(prompter.shown.empty());
    expectClosed();
}

TEST_F(OperationFrameTest, StepCaptionsComeFromTheLabelTexts)
{
    folder.write("MessageENG.ini", "[Label]\r\n6=Preparing\r\n9=Receiving\r\n");
    run(OperationFrameKind::Receive, [&](OperationFrame& frame) {
        frame.openWindow();
        EXPECT_EQ(view.stepText, "Preparing");
        frame.step(9);
        EXPECT_EQ(view.stepText, "Receiving");
        return true;
    });
}

// Where a failure is raised, which kind runs, and the boxes it must give.
struct FailureCase {
    const char* name;
    OperationFrameKind kind;
    int raiseAt;       // 0 before the window opens, 1 after it opened, 2 after step 9
    long number;       // LinkError number, 0 for an unexpected failure
    std::vector<long> boxes;
};

TEST_F(OperationFrameTest, EveryFailureIsReportedAtMostOnceAndTheMainWindowComesBack)
{
    const std::vector<FailureCase> cases = {
        {"time-out before the window", OperationFrameKind::Receive, 0, kErrSockTimeout, {22}},
        {"time-out after the window opened", OperationFrameKind::Receive, 1, kErrSockTimeout, {22}},
        {"time-out in the transfer", OperationFrameKind::Load, 2, kErrSockTimeout, {22}},
        {"time-out of a change command", OperationFrameKind::Command, 1, kErrSockTimeout, {22}},
        {"empty file of a load", OperationFrameKind::Load, 2, kErrEmptyFile, {22}},
        {"empty file of an operation's own send", OperationFrameKind::Send, 2, kErrEmptyFile, {}},
        {"connection broken in the transfer", OperationFrameKind::Receive, 2, kErrLinkFailure, {22}},
        {"other link failure, already reported", OperationFrameKind::Receive, 2, 40001, {}},
        {"capture time-out", OperationFrameKind::Capture, 1, kErrSockTimeout, {}},
        {"unexpected failure", OperationFrameKind::Receive, 2, 0, {-1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.shown.clear();
        view = RecordingOperationView{};
        bool ok = run(c.kind, [&](OperationFrame& frame) {
            if (c.raiseAt >= 1)
                frame.openWindow();
            if (c.raiseAt >= 2)
                frame.step(9);
            if (c.number == 0)
                throw std::runtime_error("disk full");
            throw LinkError(c.number, "failure");
            return true;
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(boxes(), c.boxes);
        expectClosed();
    }
}

TEST_F(OperationFrameTest, AnEarlyFalseClosesLikeTheEnd)
{
    EXPECT_FALSE(run(OperationFrameKind::Load, [&](OperationFrame& frame) {
        frame.openWindow();
        return false;
    }));
    EXPECT_TRUE(prompter.shown.empty());
    expectClosed();
}

} // namespace
