// Banks, bank groups and system data over the fake link: the commands, the dialogs, and the
// refusals that must happen before anything is sent.
#include "link_fixture.h"
#include "recording_operation_view.h"
#include "scripted_file_dialogs.h"

#include "operations/bank_operations.h"
#include "xmodem/xm_protocol.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

class BankOperationsTest : public LinkFixture {
protected:
    BankOperationsTest()
    {
        folder.write("MessageENG.ini",
                     "[Message]\r\n12=Not found.@48\r\n21=No link.@48\r\n22=No valid reply.@16\r\n"
                     "23=Timed out.@16\r\n24=ER.@48\r\n"
                     "[Label]\r\n4=Received\r\n5=bytes\r\n6=Preparing\r\n7=Command\r\n8=Sending\r\n9=Receiving\r\n"
                     "51=All files (*.*)\r\n53=System data (*.SYS)\r\n54=Bank data (*.BNK)\r\n"
                     "57=Bank group data (*.BNG)\r\n");
        for (const char* f : {"BANK", "BANKGRP", "SYSTEM"})
            std::filesystem::create_directories(folder / f);
        // The LAN link, connected: a command line is answered by `reply`, anything else (the
        // XMODEM bytes) by the next entry of `transfer`.
        state.gLinkMode = kLinkLan;
        socket->st = kSockConnected;
        socket->onSend = [this](const std::string& sent) {
            std::string r;
            if (sent.size() > 1 && sent.back() == '\r') {
                commands.push_back(sent.substr(0, sent.size() - 1));
                r = reply + "\r";
            } else if (!transfer.empty()) {
                r = transfer.front();
                transfer.pop_front();
            }
            if (!r.empty())
                world.after(10, [this, r] { socket->input += r; });
        };
    }

    bool shownWindow() const
    {
        return std::find(view.log.begin(), view.log.end(), "show") != view.log.end();
    }

    std::string reply = "OK";
    std::deque<std::string> transfer;
    std::vector<std::string> commands;
    RecordingOperationView view;
    ScriptedFileDialogs dialogs;
    OperationContext ctx{*link, view, dialogs};
};

TEST_F(BankOperationsTest, ChangeCommandsRunWithoutTheWindow)
{
    EXPECT_TRUE(fncBankChange(ctx, 5));
    EXPECT_TRUE(fncBankGroupChange(ctx, 31));
    reply = "ER";
    EXPECT_FALSE(fncBankChange(ctx, 0));
    EXPECT_EQ(commands, (std::vector<std::string>{"BANK 5", "BG 31", "BANK 0"}));
    EXPECT_FALSE(shownWindow());
    EXPECT_EQ(view.steps, (std::vector<long>{7, 7, 7}));
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_EQ(boxes(), std::vector<long>{24});  // the channel's own report of "ER"
}

TEST_F(BankOperationsTest, CommandsAndDialogsOfEverySaveAndLoad)
{
    struct Case {
        const char* name;
        std::function<bool()> run;
        FileDialogRequest::Kind kind;
        std::string command;
        std::string filter;
        const char* folder;
    };
    using K = FileDialogRequest::Kind;
    const std::vector<Case> cases = {
        {"bank 31 save", [&] { return fncBankSave(ctx, 0, 31); }, K::Save, "BNKSAVE 0 31",
         "All files (*.*)|*.*|Bank data (*.BNK)| *.BNK", "BANK"},
        {"bank group 0 save", [&] { return fncBankSave(ctx, 1, 0); }, K::Save, "BGRSAVE 0 0",
         "All files (*.*)|*.*|Bank group data (*.BNG)| *.BNG", "BANKGRP"},
        {"system save", [&] { return fncSystemSave(ctx); }, K::Save, "SYSSAVE 0",
         "All files (*.*)|*.*|System data (*.SYS)| *.SYS", "SYSTEM"},
        {"bank 7 load", [&] { return fucBankLoad(ctx, 0, 7); }, K::Open, "BNKLOAD 0 7", "Bank data (*.BNK)| *.BNK", "BANK"},
        {"bank group 12 load", [&] { return fucBankLoad(ctx, 1, 12); }, K::Open, "BGRLOAD 0 12",
         "Bank group data (*.BNG)| *.BNG", "BANKGRP"},
        {"system load", [&] { return fncSystemLoad(ctx); }, K::Open, "SYSLOAD 0", "System data (*.SYS)| *.SYS", "SYSTEM"},
    };
    for (const char* sub : {"BANK", "BANKGRP", "SYSTEM"})
        folder.write(std::string(sub) + "/in.bin", std::string(128, 'x'));
    reply = "NO";  // refused: the operation ends after its command
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.shown.clear();
        commands.clear();
        dialogs.fileName = "another kind's file";
        dialogs.choose(folder / c.folder / "in.bin");
        EXPECT_FALSE(c.run());
        EXPECT_EQ(commands, std::vector<std::string>{c.command});
        ASSERT_EQ(dialogs.shown.size(), 1u);
        const auto& r = dialogs.shown[0].request;
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.filter, c.filter);
        EXPECT_EQ(r.filterIndex, 2);
        EXPECT_EQ(r.initialFolder, folder / c.folder);
        EXPECT_EQ(r.overwritePrompt, c.kind == K::Save);
        // Each kind proposes its own last file (the saves above are the first of their kind);
        // a bank or bank group save never proposes a name.
        EXPECT_EQ(dialogs.shown[0].proposed, c.kind == K::Save ? "" : (folder / c.folder / "in.bin").string());
        EXPECT_TRUE(view.mainEnabled);
        EXPECT_FALSE(view.shown);
    }
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(folder.read("SYSTEM/in.bin"), std::string(128, 'x'));
}

TEST_F(BankOperationsTest, CancelledSaveDeletesNothingAndShowsNothing)
{
    folder.write("BANK/B.BNK", "previous");
    dialogs.cancel();
    EXPECT_FALSE(fncBankSave(ctx, 0, 1));
    EXPECT_TRUE(commands.empty());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_FALSE(shownWindow());
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_EQ(folder.read("BANK/B.BNK"), "previous");
}

TEST_F(BankOperationsTest, MissingOrEmptyLoadFileIsRefusedBeforeAnythingIsSent)
{
    struct Case {
        const char* name;
        const char* file;
        long box;
    };
    folder.write("BANK/EMPTY.BNK", "");
    for (const Case& c : {Case{"missing", "BANK/NONE.BNK", 12}, Case{"empty", "BANK/EMPTY.BNK", 22},
                          Case{"a folder", "BANK", 12}}) {
        SCOPED_TRACE(c.name);
        prompter.shown.clear();
        view = RecordingOperationView{};
        dialogs.choose(folder / c.file);
        EXPECT_FALSE(fucBankLoad(ctx, 0, 3));
        EXPECT_TRUE(socket->sent.empty());
        EXPECT_EQ(boxes(), std::vector<long>{c.box});
        EXPECT_FALSE(shownWindow());
        EXPECT_TRUE(view.mainEnabled);
        EXPECT_FALSE(view.progressVisible);
    }
}

// The LAN waits the block's 10000 ms for the rest, five times: a time-out, told once (Message 23).
TEST_F(BankOperationsTest, ATransferThatStopsHalfWayShowsOneMessageAndKeepsThePreviousFile)
{
    folder.write("BANK/B.BNK", "previous");
    dialogs.choose(folder / "BANK/B.BNK");
    reply = "READY";
    // The first bytes of a block, then nothing more.
    transfer = {std::string{char(kSOH), char(1), char(254)} + "abc"};
    bool disabledDuringTransfer = false;
    view.onEvent = [&](const std::string& e) {
        if (e == "step 9")
            disabledDuringTransfer = !view.mainEnabled && view.shown;
    };
    EXPECT_FALSE(fncBankSave(ctx, 0, 2));
    EXPECT_TRUE(disabledDuringTransfer);
    EXPECT_EQ(boxes(), std::vector<long>{23});
    EXPECT_TRUE(view.mainEnabled);
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(folder.read("BANK/B.BNK"), "previous");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder / "BANK"), {}), 1);
}

// One CRC block of `fill` bytes as the controller sends it on TCP (255 doubled, NUL after CR).
std::string tcpBlock(int block, char fill)
{
    const std::string data(128, fill);
    const int crc = fncXmCrc16(128, reinterpret_cast<const uint8_t*>(data.data()));
    const std::string packet = std::string{char(kSOH), char(block), char(255 - block)} + data +
                               char(crc >> 8) + char(crc & 0xFF);
    std::string out;
    for (char ch : packet) {
        out += ch;
        if (ch == '\xff')
            out += '\xff';
        if (ch == '\r')
            out += '\0';
    }
    return out;
}

// A save expects the size of the file it replaces, else that of the last save of its kind.
TEST_F(BankOperationsTest, ASaveExpectsTheFileItReplacesOrTheLastOfItsKind)
{
    reply = "READY";
    const std::string eot(1, char(kEOT));
    const auto save = [&](const char* file, auto run) {
        dialogs.choose(folder / file);
        transfer = {tcpBlock(1, 'a'), eot, eot, "OK\r"};
        view.figures.clear();
        EXPECT_TRUE(run()) << file;
        return view.figures.empty() ? int64_t(-1) : view.figures.front().total;
    };
    folder.write("BANK/OLD.BNK", std::string(256, 'x'));
    EXPECT_EQ(save("BANK/OLD.BNK", [&] { return fncBankSave(ctx, 0, 1); }), 256);
    EXPECT_EQ(save("BANK/NEW.BNK", [&] { return fncBankSave(ctx, 0, 2); }), 128);  // OLD.BNK as received
    EXPECT_EQ(save("BANKGRP/NEW.BNG", [&] { return fncBankSave(ctx, 1, 2); }), 0);  // no group seen yet
    EXPECT_TRUE(view.figures.back().finished);
    EXPECT_EQ(view.figures.back().total, 128);
}

} // namespace
