#pragma once
// What the sign-in window needs from outside itself: the workstation's
// address, the update server, starting the update script and the window
// system's move. The window takes the system's by default; tests hand it a
// fake that answers and records instead.
#include "platform/http_download.h"

#include <string>

class QWidget;

class SignInEnvironment {
public:
    virtual ~SignInEnvironment() = default;

    // The workstation's IPv4 address, asked afresh at each sign-in attempt.
    // Throws platform::NetworkError when the host name does not resolve.
    virtual std::string localAddress() = 0;
    // Where the new build is fetched from.
    virtual std::string updateUrl() = 0;
    // When the new build's download is given up as stalled.
    virtual platform::DownloadLimits updateLimits() { return {}; }
    // Starts the update script hidden, without waiting for it.
    virtual void startScript(const std::string& path) = 0;
    // Lets the window system move `window` with the mouse until the button is released.
    virtual void startWindowMove(QWidget& window) = 0;

    // The real one: the system's lookup, update server, shell and window system.
    static SignInEnvironment& system();
};
