#include "app/messages.h"
#include "app/app_state.h"
#include "recording_prompter.h"
#include "temp_folder.h"

#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

std::string cp932(const char* utf8)
{
    QStringEncoder encode("cp932");
    QByteArray bytes = encode(QString::fromUtf8(utf8));
    return bytes.toStdString();
}

struct MessagesFixture : testing::Test {
    TempFolder dir;
    AppState state;
    RecordingPrompter prompter;
    Messenger messages{state, prompter};
    MessagesFixture() { state.programFolder = dir.path(); }
};

TEST_F(MessagesFixture, LineBreaksAndTabsAreProcessed)
{
    state.gLanguage = 1;
    dir.write("MessageENG.ini", "[Message]\r\n22=No reply.\\nCheck the\tcable.@48\r\n[Label]\r\n10=Version\r\n");
    EXPECT_EQ(messages.fncGetMessage("Message", 22), "No reply.\r\nCheck thecable.@48");
    EXPECT_EQ(messages.fncGetMessage("Label", 10), "Version");
    EXPECT_EQ(messages.fncGetMessage("Label", 11), "");
    EXPECT_EQ(messages.fncShowMessage("Message", 22), kAnswerOK);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "No reply.\r\nCheck thecable.");
    EXPECT_EQ(prompter.shown[0].style, 48);
    EXPECT_EQ(prompter.shown[0].title, "Lumivex PLN TOOL");
}

TEST_F(MessagesFixture, JapaneseTextWhoseBytesHoldAtSignAndBracketsIsSplitCorrectly)
{
    // The second bytes of "ソ" (0x5C), "表" (0x5C) and the fullwidth space (0x40) look like
    // "\", "\" and "@" when the bytes are read one by one.
    state.gLanguage = 0;
    dir.write("MessageJPN.ini", "[Question]\r\n1=" + cp932("ソフトを表示　しますか？\\n続けます。") + "@36\r\n");
    prompter.answers = {kAnswerNo};
    EXPECT_EQ(messages.fncShowMessage("Question", 1), kAnswerNo);
    EXPECT_EQ(state.gMsgAnswer, kAnswerNo);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "ソフトを表示　しますか？\r\n続けます。");
    EXPECT_EQ(prompter.shown[0].style, 36);
    EXPECT_EQ(state.gMsgParts.size(), 2u);
}

TEST_F(MessagesFixture, MalformedValuesShowNothing)
{
    state.gLanguage = 1;
    dir.write("MessageENG.ini", "[Message]\r\n1=no style\r\n2=bad style@abc\r\n3=@\r\n");
    for (long n : {1, 2, 3, 4})
        EXPECT_EQ(messages.fncShowMessage("Message", n), 0) << n;
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(MessagesFixture, IniErrorFallsBackToTheFailureDescription)
{
    state.gLanguage = 1;
    EXPECT_FALSE(messages.fncIniErrorMessage("disk on fire"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "disk on fire");
    EXPECT_EQ(prompter.shown[0].style, kStyleOK);

    dir.write("MessageENG.ini", "[Message]\r\n99=Settings error@16\r\n");
    EXPECT_TRUE(messages.fncIniErrorMessage("disk on fire"));
    EXPECT_EQ(prompter.shown.back().number, 99);
}

} // namespace
