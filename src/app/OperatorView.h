#pragma once

#include <cstddef>
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
#include "terminal/PollerSink.h"

namespace tarifon {

enum class LampColor { Green, Yellow };

// The configuration groups that a terminal's reply fills, each remembering which
// terminal that was.
enum class ConfigGroup { Net, Upd, Extras, Wlan, Mac };
inline constexpr size_t kConfigGroups = 5;

// What the operator is told about where a group's values came from, in the window's
// language (the built-in texts are Portuguese, as the window's; the language files
// replace them).  A terminal is named as the terminal list names it, address:socket.
struct ConfigTexts {
    QString origin = QStringLiteral("de %1");  // beside a group
    QString confirmCaption = QStringLiteral("Confirmação");
    // %1: the terminal the values came from, %2: the selected terminal.
    QString confirmWrite =
        QStringLiteral("Estes valores foram lidos do terminal %1. Enviá-los ao terminal %2?");
    // %1: the selected terminal.
    QString receiveFirst = QStringLiteral(
        "Clique antes em \"Receber\" com o terminal %1 escolhido: o envio leva também o "
        "servidor de atualização, o usuário e a senha, que não aparecem na janela e só podem vir "
        "do próprio terminal.");
};

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
    virtual void setLamp(Lamp lamp, LampColor color) = 0;
    // A terminal's configuration reply, from whichever terminal sent it, for the
    // controls of its group.
    virtual void showNetConfig(const NetConfig& net) = 0;
    virtual void showUpdConfig(const UpdConfig& upd) = 0;
    virtual void showExtras(const Extras& extras) = 0;
    virtual void showWlanConfig(const WlanConfig& wlan) = 0;
    virtual void showMacAddress(const MacAddress& mac) = 0;
    // Beside a group: where its values came from (empty: from no terminal), marked when
    // that is not the selected terminal.
    virtual void showConfigOrigin(ConfigGroup group, const QString& text, bool notSelected) = 0;
    // A question with Yes and No, No being the default: true on Yes.
    virtual bool confirm(const QString& caption, const QString& text) = 0;

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
