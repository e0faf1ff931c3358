#pragma once

#include <cstdint>

#include <QString>
#include <QStringList>

#include "app/SettingsFile.h"
#include "config/Extras.h"
#include "config/MacAddress.h"
#include "config/NetConfig.h"
#include "config/UpdConfig.h"
#include "config/WlanConfig.h"
#include "content/ContentView.h"
#include "terminal/Notifier.h"

namespace tarifon {

enum class LampColor { Green, Yellow };

// What the controller asks of the operator's window.  The window implements it, on
// the user-interface thread.  Boxes are modal and return when they close; poller
// ticks run inside them meanwhile.  showNotice (Notifier) is the bare text under the
// application title; the display content's pictures and table come through ContentView.
class OperatorView : public Notifier, public ContentView {
public:
    // Start-up and shutdown.
    virtual void showSettings(const Settings& settings) = 0;
    // The server runs: there is nothing left for "Start" to retry.
    virtual void serverStarted() = 0;
    // From now on the connected-terminal list refreshes itself.
    virtual void startTerminalRefresh() = 0;
    // No database path yet: the warning, then the page that holds the path, and the
    // window shown at once.
    virtual void warnDatabasePathMissing() = 0;

    // What the event poller reports.
    virtual void appendLog(const QString& line) = 0;
    virtual void setLamp(int lampNumber, LampColor color) = 0;
    // A terminal's configuration reply, from whichever terminal sent it, for the
    // controls of its group.
    virtual void showNetConfig(const NetConfig& net) = 0;
    virtual void showUpdConfig(const UpdConfig& upd) = 0;
    virtual void showExtras(const Extras& extras) = 0;
    virtual void showWlanConfig(const WlanConfig& wlan) = 0;
    virtual void showMacAddress(const MacAddress& mac) = 0;

    // The application's general error box: an error that ended an operator action.
    virtual void showApplicationError(const QString& message) = 0;

    // The self-dismissing "Erro" box of a lookup that the database failed.
    virtual void showDatabaseFailure() = 0;

    // The connected terminals, one row each; highlightedRow -1 is none.  The
    // highlight is the controller's, not an operator's choice.
    virtual void showTerminalList(const QStringList& rows, int highlightedRow) = 0;

    // The operator shell.  Whether the desktop has a notification area: without one a
    // hidden window could not be brought back.
    virtual bool trayAvailable() const = 0;
    virtual bool windowVisible() const = 0;
    // Puts the program's icon into the notification area; there is only ever one.
    virtual void showTrayIcon() = 0;
    virtual void hideWindow() = 0;
    // Visible and in front.
    virtual void showWindow() = 0;
};

}  // namespace tarifon
