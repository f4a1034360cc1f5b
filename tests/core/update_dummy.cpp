// Stand-in for the program in the self-update tests.
//   update_dummy hold FILE   the old build still running: ends once FILE exists
//                            (or after 30 s, so that a failed test leaves nothing behind)
//   update_dummy             the build started by the update script: writes its
//                            own file name into qel-update-started.txt beside itself
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace {

std::filesystem::path ownPath()
{
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    return std::string(buffer, GetModuleFileNameA(nullptr, buffer, MAX_PATH));
#else
    char buffer[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
#endif
}

} // namespace

int main(int argc, char** argv)
{
    using namespace std::chrono_literals;
    if (argc == 3 && std::string(argv[1]) == "hold") {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!std::filesystem::exists(argv[2]) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        return 0;
    }
    const std::filesystem::path self = ownPath();
    std::ofstream(self.parent_path() / "qel-update-started.txt") << self.filename().string();
    return 0;
}
