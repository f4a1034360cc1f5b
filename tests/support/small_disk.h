#pragma once
// A full disk for a test: a small tmpfs of its own, mounted on a fresh folder
// and filled on request, so that the next write there fails as on a full disk
// (ENOSPC), inside the buffered writes and flushes too. Mounting takes root on
// Linux; elsewhere, or without the right, skipReason() says why there is none
// and the test skips. Header-only and Qt-free, for every test program.
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#ifdef __linux__
#include <sys/mount.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#endif

namespace testing_support {

class SmallDisk {
public:
    explicit SmallDisk(const std::string& name, int kibibytes = 64)
    {
#ifdef __linux__
        std::error_code ec;
        m_folder = std::filesystem::temp_directory_path() / ("qel-small-disk-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_folder, ec);
        const std::string size = "size=" + std::to_string(kibibytes) + "k";
        if (::geteuid() != 0)
            m_skipReason = "a small tmpfs for a full disk is mounted by root only";
        else if (::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, size.c_str()) != 0)
            m_skipReason = std::string("a small tmpfs could not be mounted: ") + std::strerror(errno);
        else
            m_mounted = true;
#else
        (void)name;
        (void)kibibytes;
        m_skipReason = "a full disk is simulated with a Linux tmpfs";
#endif
    }
    ~SmallDisk()
    {
#ifdef __linux__
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
#endif
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Empty when the disk is there.
    const std::string& skipReason() const { return m_skipReason; }
    const std::filesystem::path& folder() const { return m_folder; }

    // Takes up every free byte with a file of its own ("filler").
    void fill() const
    {
        std::ofstream filler(m_folder / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
        }
    }

private:
    std::filesystem::path m_folder;
    std::string m_skipReason;
    bool m_mounted = false;
};

} // namespace testing_support
