#include "link_fixture.h"

#include "link/socket_layer.h"

using Bytes = std::vector<uint8_t>;

TEST(SocketText, StateNames)
{
    EXPECT_EQ(sockStateText(7), "Connection Status: Connected");
    EXPECT_EQ(sockStateText(3), "Connection Status: Connection Pending");
    EXPECT_EQ(sockStateText(0), "Connection Status: Closed");
    EXPECT_EQ(sockStateText(10), "Connection Status: ERROR:\r\n UNKNOWN CONNECTION STATE");
}

TEST(SocketFrame, EscapesAndPadsTo289)
{
    const uint8_t data[] = {1, 255, 13, 2};
    Bytes frame = encodeTelnetFrame(data, 3);
    ASSERT_EQ(frame.size(), 289u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 6), (Bytes{1, 255, 255, 13, 0, 2}));
    EXPECT_TRUE(std::all_of(frame.begin() + 6, frame.end(), [](uint8_t b) { return b == 0; }));

    Bytes worst(132, 255); // every byte doubled: 264 still fits
    EXPECT_EQ(encodeTelnetFrame(worst.data(), 131).size(), 289u);
    Bytes tooLong(150, 13);
    EXPECT_THROW(encodeTelnetFrame(tooLong.data(), 149), std::length_error);
}

class SocketLayerTest : public LinkFixture {
protected:
    SocketLayerTest() { socket->st = kSockConnected; }
    SocketLayer& layer() { return link->sockets(); }
};

TEST_F(SocketLayerTest, SendBytesGoesOutAsOneFrame)
{
    const uint8_t data[] = {1, 255, 13, 2};
    layer().fncSockSendBytes(data, 3);
    ASSERT_EQ(socket->sent.size(), 1u);
    EXPECT_EQ(socket->sent[0].size(), 289u);
    EXPECT_EQ(socket->sent[0].substr(0, 6), std::string("\x01\xff\xff\x0d\x00\x02", 6));
}

TEST_F(SocketLayerTest, BlockReceiveUnescapes)
{
    struct Case { std::string incoming; long last; std::vector<int> expected; };
    const Case cases[] = {
        {std::string("\x01\xff\xff\x0d\x00\x02", 6), 3, {1, 255, 13, 2}},
        {std::string("\x01\x0d\x0a\x05", 4), 2, {1, 13, 5}},  // the LF after a CR is dropped
        {std::string("\x04\x18", 2), 132, {4}},  // a control byte stands alone
    };
    for (const Case& c : cases) {
        socket->input = c.incoming;
        auto block = layer().fncSockReceiveBlock(c.last);
        ASSERT_TRUE(block);
        for (size_t i = 0; i < c.expected.size(); ++i)
            EXPECT_EQ((*block)[i], c.expected[i]) << i;
        EXPECT_TRUE(std::all_of(block->begin() + long(c.expected.size()), block->end(), [](int v) { return v == -1; }));
    }
}

TEST_F(SocketLayerTest, BlockArrivingInPiecesIsWaitedForWithinTheLimit)
{
    socket->input = "\x01\x02";
    world.after(300, [this] { socket->input += "\x03\x04"; });
    auto block = layer().fncSockReceiveBlock(3);
    ASSERT_TRUE(block);
    EXPECT_EQ((*block)[3], 4);
}

// A slow controller gets the whole 10000 ms cap, not 800 polls of one tick (0.8 s).
TEST_F(SocketLayerTest, ByteReceiveTimesOutAfterTenSecondsWithError40006)
{
    int64_t start = world.now;
    try {
        layer().fncSockReceiveByte();
        FAIL() << "no time-out";
    } catch (const LinkError& e) {
        EXPECT_EQ(e.number(), 40006);
        EXPECT_STREQ(e.what(), "Timeout occured. Timeout = 1000msec");
    }
    EXPECT_EQ(world.now - start, 10000);
    EXPECT_EQ(state.gSockTimeout, 1000);
}

TEST_F(SocketLayerTest, ByteReceiveReturnsTheByteOrStops)
{
    world.after(100, [this] { socket->input = "\x06\x15"; });
    EXPECT_EQ(layer().fncSockReceiveByte(), 6);
    EXPECT_EQ(socket->input, "\x15"); // nothing of what follows is lost

    socket->input.clear();
    world.after(100, [this] { state.gStopRequest = -1; });
    EXPECT_EQ(layer().fncSockReceiveByte(), 4096);

    socket->st = kSockClosed;
    EXPECT_EQ(layer().fncSockReceiveByte(), std::nullopt);
}

TEST_F(SocketLayerTest, BlockReceiveStopTimeoutAndLimit)
{
    world.after(200, [this] { state.gStopRequest = -1; });
    EXPECT_EQ((*layer().fncSockReceiveBlock(132))[0], 4096);
    state.gStopRequest = 0;

    // The polls last the block's 10000 ms: a silent controller is a time-out (Message 23),
    // with fine and with coarse polls alike.
    for (int32_t timeout : {1000, 200000}) {
        state.gSockTimeout = timeout;
        int64_t start = world.now;
        EXPECT_EQ((*layer().fncSockReceiveBlock(132))[0], 4098);
        EXPECT_EQ(world.now - start, 10000);
    }

    // A first packet 3 s late is still received.
    state.gSockTimeout = 1000;
    world.after(3000, [this] { socket->input = "\x01\x02"; });
    EXPECT_EQ((*layer().fncSockReceiveBlock(1))[1], 2);
}

TEST_F(SocketLayerTest, BlockReceiveOnADroppedSocketReconnects)
{
    socket->st = kSockClosing;
    socket->connectDelayMs = 400;
    EXPECT_EQ(layer().fncSockReceiveBlock(132), std::nullopt);
    EXPECT_EQ(socket->st, kSockConnected);

    socket->st = kSockClosed;
    socket->connectDelayMs = -1;
    int64_t start = world.now;
    EXPECT_EQ((*layer().fncSockReceiveBlock(132))[0], 4098);
    EXPECT_EQ(world.now - start, 10000);
}

TEST_F(SocketLayerTest, ReceiveTextReturnsEverythingPendingOnNewData)
{
    socket->input = "old";
    world.after(60, [this] { socket->input += "new"; });
    int64_t start = world.now;
    EXPECT_EQ(layer().fncSockReceiveText(), "oldnew");
    EXPECT_EQ(world.now - start, 60);
    start = world.now;
    EXPECT_EQ(layer().fncSockReceiveText(), "");
    EXPECT_EQ(world.now - start, 1000);
}

TEST_F(SocketLayerTest, DisconnectLogsBothBoxesAndWaitsHalfASecond)
{
    int64_t start = world.now;
    layer().fncLanDisconnect();
    EXPECT_EQ(socket->st, kSockClosed);
    EXPECT_GE(world.now - start, 500);
    EXPECT_EQ(mainLog.lines, std::vector<std::string>{"Connection Status: Closed"});
    EXPECT_EQ(lanLog.lines, std::vector<std::string>{"Connection Status: Closed"});
    EXPECT_EQ(mainLog.connectEnabled + lanLog.connectEnabled, 2);
}
