#include "ui/panels/link_controls.h"

#include "ui/panels/connection_panel.h"
#include "ui/windows/frm_com_set.h"
#include "ui/windows/frm_lan_set.h"
#include "ui/panels/measure_panel.h"
#include "ui/windows/telnet_set.h"
#include "ui/qt/widget_status_log.h"

#include "link/device_link.h"

#include <QAction>
#include <QWidget>

namespace {

// frmLanSet's status box and connect button, loading the dialog when it is not loaded.
class LanSetStatus : public StatusLog {
public:
    explicit LanSetStatus(LinkControls& controls) : controls_(controls) {}
    void appendLine(const std::string& line) override { controls_.lanSettings().statusLog().appendLine(line); }
    void enableConnect() override { controls_.lanSettings().statusLog().enableConnect(); }

private:
    LinkControls& controls_;
};

} // namespace

LinkControls::LinkControls(QWidget* frmMain, AppState& state, Messenger& messages, std::unique_ptr<DeviceLink> link)
    : QObject(nullptr), frmMain_(frmMain), link_(link ? std::move(link) : std::make_unique<DeviceLink>(state, messages))
{
    connection_ = new ConnectionPanel(frmMain, *link_);
    measure_ = new MeasurePanel(frmMain, *link_);
    lanSetLog_ = std::make_unique<LanSetStatus>(*this);
    link_->setStatusLogs(&connection_->statusLog(), lanSetLog_.get());
    connection_->showLink();
    auto menu = [frmMain](const char* name) { return frmMain->findChild<QAction*>(QString::fromLatin1(name)); };
    if (QAction* a = menu("mnuComSet"))
        connect(a, &QAction::triggered, this, &LinkControls::openComSettings);
    if (QAction* a = menu("mnuTelnetSetting"))
        connect(a, &QAction::triggered, this, &LinkControls::openTelnetSettings);
    if (QAction* a = menu("mnuLanSet"))
        connect(a, &QAction::triggered, this, &LinkControls::openLanSettings);
}

LinkControls::~LinkControls()
{
    delete lanSet_.data();
    delete connection_.data();
    link_->setStatusLogs(nullptr, nullptr);
}

bool LinkControls::openSerialAtStartup()
{
    return link_->session().openSerialOrNone();
}

void LinkControls::stopMeasurementAtExit()
{
    measure_->stopAtExit();
}

void LinkControls::openComSettings()
{
    frmComSet dialog(link_->state(), link_->messages(), link_->channel(), frmMain_);
    dialog.Form_Load();
    dialog.exec();
}

void LinkControls::openTelnetSettings()
{
    TelnetSet::openModal(link_->state(), frmMain_);
}

frmLanSet& LinkControls::lanSettings()
{
    if (!lanSet_) {
        lanSet_ = new frmLanSet(*link_, frmMain_);
        lanSet_->Form_Load();
    }
    return *lanSet_;
}

void LinkControls::openLanSettings()
{
    frmLanSet& dialog = lanSettings();
    dialog.exec();
    // cmdOK hides and unloads: the next opening starts afresh.
    delete lanSet_.data();
}
