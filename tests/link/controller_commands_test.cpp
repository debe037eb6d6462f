#include "link_fixture.h"

#include "link/controller_commands.h"

#include <functional>

class ControllerCommandsTest : public LinkFixture {
protected:
    ControllerCommandsTest()
    {
        EXPECT_EQ(link->channel().fncOpenComPort(), 0);
        state.gLinkMode = kLinkSerial;
        state.gComDelimiter = "\r";
    }
    ControllerCommands& commands() { return link->commands(); }
};

// Each command goes out as its word and numbers, and only the reply the caller waits for is
// a success.
TEST_F(ControllerCommandsTest, EachCommandSendsItsLineAndWantsItsReply)
{
    using C = ControllerCommands;
    struct Case {
        const char* sent;
        const char* wanted;
        std::function<bool(C&)> call;
    };
    const Case cases[] = {
        {"CAPTURE", "OK", [](C& c) { return c.capture(); }},
        {"BANK 31", "OK", [](C& c) { return c.selectBank(31); }},
        {"BG 0", "OK", [](C& c) { return c.selectBankGroup(0); }},
        {"IMGSAVE 0 -1", "READY", [](C& c) { return c.announceImageSave(-1); }},
        {"IMGSAVE 0 99", "READY", [](C& c) { return c.announceImageSave(99); }},
        {"IMGLOAD", "OK", [](C& c) { return c.announceImageLoad(); }},
        {"BNKSAVE 0 31", "READY", [](C& c) { return c.announceDataSave(ControllerDataKind::Bank, 31); }},
        {"BGRSAVE 0 0", "READY", [](C& c) { return c.announceDataSave(ControllerDataKind::BankGroup, 0); }},
        {"SYSSAVE 0", "READY", [](C& c) { return c.announceDataSave(ControllerDataKind::System, 0); }},
        {"BNKLOAD 0 4", "READY", [](C& c) { return c.announceDataLoad(ControllerDataKind::Bank, 4); }},
        {"BGRLOAD 0 9", "READY", [](C& c) { return c.announceDataLoad(ControllerDataKind::BankGroup, 9); }},
        {"SYSLOAD 0", "READY", [](C& c) { return c.announceDataLoad(ControllerDataKind::System, 7); }},
    };
    for (const Case& c : cases) {
        for (const char* answer : {c.wanted, std::string(c.wanted) == "OK" ? "READY" : "OK"}) {
            port->written.clear();
            const std::string reply = answer + std::string("\r");
            serialPeer([reply](const std::string&) { return reply; });
            EXPECT_EQ(c.call(commands()), std::string(answer) == c.wanted) << c.sent << " / " << answer;
            EXPECT_EQ(port->written, std::vector<std::string>{c.sent + std::string("\r")});
            EXPECT_EQ(commands().lastReply(), answer);
        }
    }
    EXPECT_TRUE(boxes().empty());
}

TEST_F(ControllerCommandsTest, QueriesAndMeasurementsReturnTheReplyAsItCame)
{
    using C = ControllerCommands;
    struct Case {
        const char* sent;
        std::function<std::string(C&)> call;
    };
    const Case cases[] = {
        {"IMGINFO 0 0", [](C& c) { return c.imageInfo(0); }},
        {"IMGINFO 0 3", [](C& c) { return c.imageInfo(3); }},
        {"M", [](C& c) { return c.measure(MeasureCommand::Once); }},
        {"M /I", [](C& c) { return c.measure(MeasureCommand::Inspect); }},
        {"M /C", [](C& c) { return c.measure(MeasureCommand::StartContinuous); }},
        {"M /E", [](C& c) { return c.measure(MeasureCommand::StopContinuous); }},
        {"DATAGET 2 0", [](C& c) { return c.judgement(); }},
        {"DATAGET 2 1", [](C& c) { return c.resultValue(); }},
    };
    serialPeer([](const std::string&) { return std::string(" 12 x\r"); });
    for (const Case& c : cases) {
        port->written.clear();
        EXPECT_EQ(c.call(commands()), " 12 x") << c.sent;
        EXPECT_EQ(port->written, std::vector<std::string>{c.sent + std::string("\r")});
    }
}

// Whether the user has heard of a failed command: the channel's boxes count, a wrong word or an
// interrupted wait is still to be told.
TEST_F(ControllerCommandsTest, LastFailureSaysWhetherTheUserWasTold)
{
    serialPeer([](const std::string&) { return std::string("ER\r"); });
    EXPECT_FALSE(commands().capture());
    EXPECT_TRUE(commands().lastFailure().failedReported());
    EXPECT_EQ(boxes(), std::vector<long>{24});

    serialPeer([](const std::string&) { return std::string("NG\r"); });
    EXPECT_FALSE(commands().selectBank(2));
    EXPECT_TRUE(commands().lastFailure().failedUnreported());
    EXPECT_EQ(commands().lastFailure().reason(), "the controller answered NG");

    state.gLinkMode = kLinkNone;
    EXPECT_FALSE(commands().capture());
    EXPECT_TRUE(commands().lastFailure().failedReported());
    EXPECT_EQ(boxes(), (std::vector<long>{24, 21}));

    state.gLinkMode = kLinkSerial;
    serialPeer([](const std::string&) { return std::string(); });
    link->channel().setInterruptCheck([] { return true; });
    EXPECT_FALSE(commands().capture());
    EXPECT_TRUE(commands().lastFailure().failedUnreported());
    EXPECT_EQ(boxes(), (std::vector<long>{24, 21}));
}
