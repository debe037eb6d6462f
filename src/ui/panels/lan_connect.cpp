#include "ui/panels/lan_connect.h"

#include "link/device_link.h"
#include "link/lan_address.h"
#include "link/status_log.h"
#include "app/text_codec.h"

bool connectLan(DeviceLink& link, const QString& typed, StatusLog& log)
{
    auto address = parseLanAddress(typed.toStdString());
    if (!address) {
        // An empty box is a missing address, not an address of two quotes.
        const std::string why = trimChars(typed.toStdString(), " \t").empty()
            ? link.messages().fncGetMessageAbout("Label", kLabelNoAddress, {}, "no address was typed")
            : "\"" + typed.toStdString() + "\"";
        log.appendLine(why);
        showErrorBox(link, why);
        return false;
    }
    LanAttempt attempt = link.session().connectLan(*address, trimChars(typed.toStdString(), " \t"), log);
    if (attempt.end == LanConnectEnd::Connected)
        return true;
    if (attempt.end != LanConnectEnd::Cancelled)
        showErrorBox(link, attempt.detail);
    return false;
}

void showErrorBox(DeviceLink& link, const std::string& detail)
{
    BoxRequest box;
    box.text = detail.empty() ? "ERROR" : "ERROR\r\n" + detail;
    box.style = kStyleOK;
    box.title = kAppTitle;
    link.messages().prompter().show(box);
}
