// plnctl's command line as people type it: --help and -h after every command run nothing,
// --name=value and --, unknown options and short usage errors, the Japanese help and usage,
// and the --json reports read back with a JSON parser.
#include "plnctl_fixture.h"
#include "sim_process.h"

#include "cli/option_table.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A loopback port that listens and is never served: a connection to it stays pending.
class Listener {
public:
    Listener()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 8);
        socklen_t n = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n);
        address = "127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    }
    ~Listener() { ::close(fd_); }
    bool connectionPending() const
    {
        pollfd p{fd_, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    std::string address;

private:
    int fd_ = -1;
};

QJsonObject parseReport(const std::string& out)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
    EXPECT_TRUE(doc.isObject()) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << "one line: " << out;
    return doc.object();
}

const std::vector<std::string> kEnglish{"LC_ALL=", "LC_MESSAGES=", "LANG=C"};
const std::vector<std::string> kJapanese{"LC_ALL=", "LC_MESSAGES=", "LANG=ja_JP.UTF-8"};

class PlnctlCommandLine : public PlnctlFixture {};

} // namespace

TEST_F(PlnctlCommandLine, HelpAfterEveryCommandRunsNothing)
{
    Listener controller;
    const fs::path made = folder / "made";
    for (const CommandSpec& c : cliCommandTable()) {
        for (const char* help : {"--help", "-h"}) {
            SCOPED_TRACE(std::string(c.name) + " " + help);
            std::vector<std::string> args{c.name};
            if (c.link)
                args.insert(args.begin(), {"--host", controller.address});
            args.insert(args.end(), {made.string(), help});
            ChildResult r = run(args, kEnglish);
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(r.out.rfind(std::string("usage: plnctl [OPTIONS] ") + c.name, 0), 0u) << r.out;
        }
    }
    // Before the command, too; and a folder named --help is never made.
    ChildResult r = run({"-h", "backup"}, kEnglish);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("backup DIR"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(made));
    EXPECT_FALSE(fs::exists("--help"));
    EXPECT_FALSE(controller.connectionPending());
}

TEST_F(PlnctlCommandLine, ValuesAfterAnEqualsSignAndTheEndOfOptions)
{
    SimProcess sim({"--tcp", "0"});
    const std::string host = "127.0.0.1:" + std::to_string(sim.tcpPort);
    ChildResult r = run({"--host=" + host, "send", "CAPTURE"}, kEnglish);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "OK\n");
    // Options among the command's arguments, and "--" before text that looks like one.
    r = run({"send", "CAPTURE", "--host", host}, kEnglish);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    r = run({"--host", host, "send", "--", "-h"}, kEnglish);
    EXPECT_EQ(r.exitCode, 1) << r.out;  // sent: the controller knows no command "-h"
    EXPECT_EQ(r.err, "The controller answered ER.\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(PlnctlCommandLine, MistakesAreToldInTwoLinesWithStatusTwo)
{
    Listener controller;
    struct Case { std::vector<std::string> args; std::string err; };
    const Case cases[] = {
        {{"--bogus", "capture"}, "plnctl: unknown option --bogus\nsee plnctl --help\n"},
        {{"backup", "--bogus", "x"}, "plnctl: unknown option --bogus\nsee plnctl backup --help\n"},
        {{"send", "--json", "CAPTURE"}, "plnctl: --json does not go with send\nsee plnctl send --help\n"},
        {{"capture", "--com"}, "plnctl: --com needs a value (N)\nsee plnctl capture --help\n"},
        {{"result", "--json=yes"}, "plnctl: --json takes no value\nsee plnctl result --help\n"},
        {{"bank", "select", "32"}, "plnctl: bank select takes a number from 0 to 31\nsee plnctl bank --help\n"},
        {{"--com", "17", "capture"}, "plnctl: --com takes a port number from 1 to 16\nsee plnctl capture --help\n"},
        {{"frobnicate"}, "plnctl: unknown command frobnicate\nsee plnctl --help\n"},
        {{}, "plnctl: no command given\nsee plnctl --help\n"},
    };
    for (const Case& c : cases) {
        ChildResult r = run(c.args, kEnglish);
        EXPECT_EQ(r.exitCode, 2) << r.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(controller.connectionPending());
}

TEST_F(PlnctlCommandLine, JapaneseHelpAndUsage)
{
    ChildResult r = run({"bank", "select", "32"}, kJapanese);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "plnctl: bank select には 0 から 31 の番号を指定する\n詳しくは plnctl bank --help を参照\n");
    r = run({"--bogus"}, kJapanese);
    EXPECT_EQ(r.err, "plnctl: 不明なオプション --bogus\n詳しくは plnctl --help を参照\n");
    r = run({"--help"}, kJapanese);
    EXPECT_EQ(r.exitCode, 0);
    for (const char* text : {"使い方: plnctl [オプション] コマンド [引数]", "コマンド:", "終了ステータス:",
                             "シリアルポート N（1-16）"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    r = run({"backup", "--help"}, kJapanese);
    EXPECT_EQ(r.out.rfind("使い方: plnctl [オプション] backup フォルダー\n", 0), 0u) << r.out;
    // --language wins over the locale for plnctl's own lines too.
    r = run({"--language", "english", "frobnicate"}, kJapanese);
    EXPECT_EQ(r.err, "plnctl: unknown command frobnicate\nsee plnctl --help\n");
}

TEST_F(PlnctlCommandLine, JsonReportsReadBackWithAParser)
{
    SimProcess sim({"--tcp", "0"});
    const std::string host = "127.0.0.1:" + std::to_string(sim.tcpPort);

    ChildResult r = run({"--host", host, "result", "--json"}, kEnglish);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    QJsonObject o = parseReport(r.out);
    EXPECT_EQ(o["command"].toString(), "result");
    EXPECT_EQ(o["status"].toString(), "ok");
    EXPECT_TRUE(o["judgement"].toString() == "OK" || o["judgement"].toString() == "NG" ||
                o["judgement"].toString() == "Error") << r.out;
    EXPECT_TRUE(o.contains("value"));

    ASSERT_EQ(run({"--host", host, "measure", "start"}, kEnglish).exitCode, 0);
    r = run({"--host", host, "--json", "measure", "start"}, kEnglish);  // already running: ER
    EXPECT_EQ(r.exitCode, 1);
    o = parseReport(r.out);
    EXPECT_EQ(o["command"].toString(), "measure start");
    EXPECT_EQ(o["status"].toString(), "failed");
    EXPECT_EQ(o["message"].toObject()["number"].toInt(), 24);
    EXPECT_EQ(o["message"].toObject()["text"].toString(), "The controller answered ER.");
    EXPECT_EQ(r.err, "The controller answered ER.\n");
    ASSERT_EQ(run({"--host", host, "measure", "stop"}, kEnglish).exitCode, 0);

    const fs::path picture = folder / "five.BYR";
    r = run({"--host", host, "image", "get", "5", picture.string(), "--json"}, kEnglish);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    o = parseReport(r.out);
    EXPECT_EQ(o["command"].toString(), "image get");
    const QJsonArray files = o["files"].toArray();
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0].toObject()["name"].toString().toStdString(), "five.BYR");
    EXPECT_EQ(qint64(files[0].toObject()["size"].toDouble()), qint64(fs::file_size(picture)));
    EXPECT_EQ(files[0].toObject()["sha256"].toString().size(), 64);

    // A failure before any message of the message file still gives its text.
    r = run({"--host", "127.0.0.1:1", "result", "--json"}, kEnglish);
    EXPECT_EQ(r.exitCode, 1);
    o = parseReport(r.out);
    EXPECT_EQ(o["status"].toString(), "failed");
    EXPECT_FALSE(o["message"].toObject().contains("number"));
    EXPECT_NE(o["message"].toObject()["text"].toString().indexOf("cannot connect"), -1) << r.out;
}
