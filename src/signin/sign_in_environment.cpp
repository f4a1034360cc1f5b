#include "signin/sign_in_environment.h"

#include "platform/shell.h"
#include "platform/workstation.h"
#include "signin/self_update.h"

#include <QWidget>
#include <QWindow>

namespace {

class SystemSignInEnvironment final : public SignInEnvironment {
public:
    std::string localAddress() override { return platform::firstIPv4OfHostName(); }
    std::string updateUrl() override { return kUpdateUrl; }
    void startScript(const std::string& path) override { platform::StartScriptHidden(path); }
    void startWindowMove(QWidget& window) override
    {
        if (QWindow* handle = window.windowHandle())
            handle->startSystemMove();
    }
};

} // namespace

SignInEnvironment& SignInEnvironment::system()
{
    static SystemSignInEnvironment environment;
    return environment;
}
