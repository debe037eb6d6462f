// The fleet example: four simulated controllers backed up at once by examples/fleet-backup,
// one report for all of them, and every backup restores into a fresh controller.
#include "plnctl_fixture.h"
#include "sim_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <memory>

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FleetExample : public PlnctlFixture {};

} // namespace

TEST_F(FleetExample, BacksUpFourControllersAtOnceAndEveryBackupRestores)
{
    const int kControllers = 4;
    std::vector<std::unique_ptr<SimProcess>> sims;
    std::string list = "# name and how to reach it\n\n";
    for (int i = 0; i < kControllers; ++i) {
        const std::string name = "line-" + std::to_string(i);
        const std::string device = (folder / ("com-" + name)).string();
        sims.push_back(std::make_unique<SimProcess>(std::vector<std::string>{"--pty", device}));
        // Each controller holds a bank of its own, so a mixed-up backup shows.
        folder.write(name + ".bnk", std::string(130, char('a' + i)));
        ChildResult r = run({"--device", device, "bank", "load", "7", (folder / (name + ".bnk")).string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        list += name + " --program-folder " + folder.path().string() + " --device " + device + "\n";
    }
    folder.write("controllers.txt", list);

    const fs::path out = folder / "fleet";
    ChildResult r = runChild("/bin/sh", {FLEET_SCRIPT, (folder / "controllers.txt").string(), out.string(), "4"},
                             {std::string("PLNCTL=") + PLNCTL_PATH});
    ASSERT_EQ(r.exitCode, 0) << r.err << readFile(out / "line-0.log");

    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(readFile(out / "report.json")), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    const QJsonArray reports = doc.array();
    ASSERT_EQ(reports.size(), kControllers);
    for (int i = 0; i < kControllers; ++i) {
        const QJsonObject o = reports[i].toObject();
        EXPECT_EQ(o["status"].toString(), "ok") << i;
        EXPECT_EQ(o["folder"].toString().toStdString(), (out / ("line-" + std::to_string(i))).string());
        EXPECT_EQ(o["files"].toArray().size(), 65);
    }

    // Each backup into a fresh controller, then saved back: the controller's own bank.
    sims.clear();
    for (int i = 0; i < kControllers; ++i) {
        const std::string name = "line-" + std::to_string(i);
        const std::string device = (folder / ("fresh-" + name)).string();
        SimProcess fresh({"--pty", device});
        ChildResult restore = run({"--device", device, "restore", "-q", (out / name).string()});
        ASSERT_EQ(restore.exitCode, 0) << restore.err;
        const fs::path saved = folder / (name + ".saved");
        ASSERT_EQ(run({"--device", device, "bank", "save", "7", saved.string()}).exitCode, 0);
        EXPECT_EQ(readFile(saved), readFile(out / name / "BANK/BANK07.BNK")) << name;
        EXPECT_EQ(readFile(saved).substr(0, 130), std::string(130, char('a' + i))) << name;
    }
}
