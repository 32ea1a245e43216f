#pragma once

// Real failures for tests of the paths that must not lose work: a full disk
// (a small tmpfs, which needs root to mount), the permission checks an
// ordinary user meets (tests often run as root, who passes them all), and a
// program that has ended.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dbuitest
{

/// While alive, the process runs as the user "nobody" (real and effective),
/// so that permissions deny it as they deny any user; root gets its rights
/// back afterwards. An ordinary user stays as it is.
class OrdinaryUser
{
public:
    static constexpr uid_t s_nobody = 65534;

    OrdinaryUser() : m_wasRoot(::geteuid() == 0)
    {
        if (m_wasRoot)
        {
            // The saved user id stays root: that is what allows the way back.
            EXPECT_EQ(::setresuid(s_nobody, s_nobody, 0), 0) << "cannot drop root's rights";
        }
    }
    ~OrdinaryUser()
    {
        if (m_wasRoot)
        {
            EXPECT_EQ(::setresuid(0, 0, 0), 0) << "cannot take root's rights back";
        }
    }
    OrdinaryUser(const OrdinaryUser&) = delete;
    OrdinaryUser& operator=(const OrdinaryUser&) = delete;

private:
    bool m_wasRoot;
};

/// A folder on a disk of its own, a tmpfs of `bytes`, that `fill` makes full.
/// Mounting needs root; without it `mounted()` is false and the test skips.
class SmallDisk
{
public:
    explicit SmallDisk(std::size_t bytes)
    {
        char pattern[] = "/tmp/dbui-small-disk-XXXXXX";
        if (!::mkdtemp(pattern))
            return;
        m_folder = pattern;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
        m_mounted = ::mount("tmpfs", m_folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_folder.c_str(), MNT_DETACH);
        if (!m_folder.empty())
            ::rmdir(m_folder.c_str());
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }
    const std::string& folder() const { return m_folder; }
    std::string file(const std::string& name) const { return m_folder + "/" + name; }

    /// Takes every byte left with a file of its own ("filler").
    void fill() const
    {
        std::FILE* filler = std::fopen(file("filler").c_str(), "wb");
        ASSERT_NE(filler, nullptr);
        const std::vector<char> block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0)
        {
        }
        std::fclose(filler);
    }

private:
    std::string m_folder;
    bool m_mounted = false;
};

/// The id of a process that has ended, as a program that died leaves behind.
inline long endedProcessId()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return static_cast<long>(child);
}

/// Starts this test program again in a process of its own (with a display
/// connection of its own), running the tests that `filter` names, with
/// `variable` set to `value` in its environment; -1 when it cannot start.
inline pid_t startSelf(const std::string& filter, const char* variable, const std::string& value)
{
    char self[4096] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return -1;
    std::string argument = "--gtest_filter=" + filter;
    char* arguments[] = {self, argument.data(), nullptr};
    ::setenv(variable, value.c_str(), 1);
    pid_t child = -1;
    if (::posix_spawn(&child, self, nullptr, nullptr, arguments, environ) != 0)
        child = -1;
    ::unsetenv(variable);
    return child;
}

/// Waits for `child` to end, at most `limit`, and kills it past that; its wait status.
inline int waitForEnd(pid_t child, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0)
    {
        if (std::chrono::steady_clock::now() >= deadline)
        {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        ::usleep(10000);
    }
    return status;
}

/// Skips the test when the disk could not be made.
#define DBUI_REQUIRE_SMALL_DISK(disk)                                                                                  \
    if (!(disk).mounted())                                                                                             \
    GTEST_SKIP() << "a full disk is simulated with a tmpfs, which needs root to mount"

} // namespace dbuitest
