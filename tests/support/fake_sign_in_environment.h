#pragma once
// The sign-in window's outside world as a test sets it: a fixed address, the
// update server it names, and the scripts and window moves recorded, not done.
#include "signin/self_update.h"
#include "signin/sign_in_environment.h"

#include <functional>
#include <string>
#include <vector>

class FakeSignInEnvironment : public SignInEnvironment {
public:
    std::string localAddress() override { return address(); }
    std::string updateUrl() override { return url; }
    platform::DownloadLimits updateLimits() override { return limits; }
    void startScript(const std::string& path) override { startedScripts.push_back(path); }
    void startWindowMove(QWidget&) override { ++moves; }

    std::function<std::string()> address = [] { return std::string("10.1.2.3"); };
    std::string url = kUpdateUrl;
    platform::DownloadLimits limits;
    std::vector<std::string> startedScripts;
    int moves = 0;
};
