#include "link_fixture.h"

#include "link/link_session.h"

class Session : public LinkFixture {
protected:
    Session()
    {
        link->notifier().subscribe([this] { modesSeen.push_back(state.gLinkMode); });
        socket->setRemote("10.0.0.5", 23);
    }
    LinkSession& session() { return link->session(); }

    std::vector<int> modesSeen;  // gLinkMode at each notification
};

TEST_F(Session, ReconnectEndsAtTheConnectionTheRefusalOrTheDeadline)
{
    struct Case {
        const char* name;
        int64_t connectDelayMs;
        const char* refuseWith;
        bool untilRefused;
        bool interrupt;
        LanWait end;
        int64_t elapsedMs;
    };
    const Case cases[] = {
        {"connects", 700, "", true, false, LanWait::Connected, 700},
        {"refused, plnctl gives up at once", 300, "Connection refused", true, false, LanWait::Refused, 300},
        {"refused, the exchange waits on", 300, "Connection refused", false, false, LanWait::TimedOut, 6000},
        {"never answers", -1, "", true, false, LanWait::TimedOut, 6000},
        {"interrupted", -1, "", false, true, LanWait::Interrupted, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        socket->connectDelayMs = c.connectDelayMs;
        socket->refuseWith = c.refuseWith;
        const int64_t start = world.now;
        std::function<bool()> interrupted;
        if (c.interrupt)
            interrupted = [&] { return world.now - start >= 150; };
        EXPECT_EQ(session().reconnectLan(start + 6000, c.untilRefused, interrupted), c.end);
        EXPECT_EQ(world.now - start, c.elapsedMs);
        socket->close();
    }
}

TEST_F(Session, AWatchedLanConnectThatFailsGivesTheSerialLinkBack)
{
    ASSERT_TRUE(session().openSerial());
    socket->connectDelayMs = 900;
    socket->refuseWith = "Connection refused";
    LanAttempt attempt = session().connectLan({"10.0.0.7", 2323}, "10.0.0.7:2323", mainLog);
    EXPECT_EQ(attempt.end, LanConnectEnd::Failed);
    EXPECT_EQ(attempt.detail, "10.0.0.7:2323: Connection refused");
    EXPECT_EQ(state.gLinkMode, kLinkSerial);
    EXPECT_TRUE(port->isOpen());
    EXPECT_EQ(socket->state(), kSockClosed);
    EXPECT_FALSE(session().lanConnecting());
    EXPECT_TRUE(state.gLanAddress.empty());
    EXPECT_EQ(modesSeen.back(), kLinkSerial);
}

TEST_F(Session, AWatchedLanConnectReplacesTheSerialLinkAndDisconnectEndsIt)
{
    ASSERT_TRUE(session().openSerial());
    socket->connectDelayMs = 900;
    LanAttempt attempt = session().connectLan({"10.0.0.7", 23}, "10.0.0.7", mainLog);
    EXPECT_EQ(attempt.end, LanConnectEnd::Connected);
    EXPECT_EQ(state.gLinkMode, kLinkLan);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(state.gLanAddress, "10.0.0.7");
    EXPECT_EQ(modesSeen.back(), kLinkLan);

    session().disconnect();
    EXPECT_EQ(state.gLinkMode, kLinkNone);
    EXPECT_EQ(socket->state(), kSockClosed);
    EXPECT_FALSE(port->isOpen());
    EXPECT_EQ(modesSeen.back(), kLinkNone);
}

TEST_F(Session, ALostSerialDeviceEndsTheLinkOnce)
{
    ASSERT_TRUE(session().openSerial());
    modesSeen.clear();
    link->channel().endLostSerialLink();
    EXPECT_EQ(state.gLinkMode, kLinkNone);
    EXPECT_EQ(modesSeen, std::vector<int>{kLinkNone});
    EXPECT_EQ(boxes(), std::vector<long>{300});
}
