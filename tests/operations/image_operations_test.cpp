// The image operations over the fake link: the commands they send, the IMGINFO replies they
// accept, and what stays untouched when one is refused.
#include "link_fixture.h"
#include "recording_operation_view.h"
#include "scripted_file_dialogs.h"

#include "operations/image_operations.h"

#include <gtest/gtest.h>

#include <map>

namespace {

class ImageOperationsTest : public LinkFixture {
protected:
    ImageOperationsTest()
    {
        folder.write("MessageENG.ini", "[Message]\r\n12=Missing.@48\r\n22=No reply.@48\r\n24=ER.@48\r\n"
                                       "240=Bad image format value.@16\r\n");
        EXPECT_EQ(link->channel().fncOpenComPort(), 0);
        state.gLinkMode = kLinkSerial;
    }
    // The serial peer answers from the table ("ER" for anything else) and records the commands.
    void answer(std::map<std::string, std::string> replies)
    {
        serialPeer([this, replies](const std::string& line) {
            std::string command = line.substr(0, line.size() - 1);
            sent.push_back(command);
            auto it = replies.find(command);
            return (it == replies.end() ? std::string("ER") : it->second) + "\r";
        });
    }

    std::vector<std::string> sent;
    RecordingOperationView view;
    ScriptedFileDialogs dialogs;
    OperationContext ctx{*link, view, dialogs};
};

TEST_F(ImageOperationsTest, CaptureShowsNoWindowAndSucceedsOnlyOnOK)
{
    answer({{"CAPTURE", "OK"}});
    EXPECT_TRUE(fncCapture(ctx));
    EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "show"), 0);
    answer({{"CAPTURE", "BUSY"}});
    EXPECT_FALSE(fncCapture(ctx));
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(view.mainEnabled);
}

TEST_F(ImageOperationsTest, RefusedDownloadDeletesTheOldFileAndSaysNothingOfItsOwn)
{
    const auto tmp = folder.path() / "TMP";
    std::filesystem::create_directories(tmp);
    folder.write("TMP/tmp.bin", "old image");
    answer({});
    EXPECT_FALSE(fncImgConvert(ctx, kLiveImage, tmp));
    EXPECT_EQ(sent, std::vector<std::string>{"IMGSAVE 0 -1"});
    EXPECT_FALSE(std::filesystem::exists(tmp / "tmp.bin"));
    EXPECT_EQ(boxes(), std::vector<long>{24}); // the channel's ER box only
    EXPECT_EQ(view.steps, (std::vector<long>{6, 7}));
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_FALSE(view.shown);
}

TEST_F(ImageOperationsTest, UploadWithoutItsFileShowsMessage12AndSendsNothing)
{
    answer({{"IMGLOAD", "OK"}});
    EXPECT_FALSE(fncImgLoad(ctx, folder.path() / "TMP"));
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(boxes(), std::vector<long>{12});
    EXPECT_FALSE(view.progressVisible);
    EXPECT_TRUE(view.mainEnabled);
}

// The four queries go out in order; each reply lands in its header byte as it arrives; the
// first reply that is not a plain number 0..255 ends the queries.
TEST_F(ImageOperationsTest, HeaderQueries)
{
    struct Case {
        const char* name;
        std::vector<std::string> replies; // for IMGINFO 0 0 .. 0 3
        bool ok;
        std::vector<long> boxes;
        std::size_t queries;
        std::array<uint8_t, 4> header; // pattern, gains R, G, B afterwards (start 9 9 9 9)
    };
    const Case cases[] = {
        {"all good", {"3", "20", "0", "255"}, true, {}, 4, {3, 20, 0, 255}},
        {"third is ER", {"2", "7", "ER", "1"}, false, {24}, 3, {2, 7, 9, 9}},
        {"above a byte", {"3", "256", "0", "0"}, false, {240}, 2, {3, 9, 9, 9}},
        {"negative", {"-1", "0", "0", "0"}, false, {240}, 1, {9, 9, 9, 9}},
        {"fraction", {"3", "1.5", "0", "0"}, false, {240}, 2, {3, 9, 9, 9}},
        {"words", {"3", "0", "0", "OK"}, false, {240}, 4, {3, 0, 0, 9}},
        {"blank inside", {"3", "0", " 7", "0"}, false, {240}, 3, {3, 0, 9, 9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sent.clear();
        prompter.shown.clear();
        std::map<std::string, std::string> replies;
        for (int i = 0; i < 4; ++i)
            replies["IMGINFO 0 " + std::to_string(i)] = c.replies[i];
        answer(replies);
        ImageWorkspace ws;
        ws.uploadImage.hkrHeader = HkrHeader{9, 9, 9, 9, 608, 464};
        EXPECT_EQ(queryUploadHeader(*link, ws).isOk(), c.ok);
        EXPECT_EQ(boxes(), c.boxes);
        ASSERT_EQ(sent.size(), c.queries);
        for (std::size_t i = 0; i < sent.size(); ++i)
            EXPECT_EQ(sent[i], "IMGINFO 0 " + std::to_string(i));
        const HkrHeader& h = ws.uploadImage.hkrHeader;
        EXPECT_EQ((std::array<uint8_t, 4>{h.bayerPattern, h.gainR, h.gainG, h.gainB}), c.header);
    }
}

} // namespace
