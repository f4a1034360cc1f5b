// Stand-in for the program in the self-update tests.
//   update_dummy hold FILE   the old build still running: ends once FILE exists
//                            (or after 30 s, so that a failed test leaves nothing behind)
//   update_dummy             the new build started by the update script: writes
//                            "started" into qel-update-started.txt in its current folder
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    using namespace std::chrono_literals;
    if (argc == 3 && std::string(argv[1]) == "hold") {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (!std::filesystem::exists(argv[2]) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(10ms);
        return 0;
    }
    std::ofstream("qel-update-started.txt") << "started";
    return 0;
}
