#include "ToolRun.h"

#include <QDir>

#include <algorithm>
#include <chrono>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr auto kSettle = std::chrono::milliseconds(20);

// Descriptors and sockets a process holds now.
std::pair<int, int> countDescriptors(pid_t pid)
{
    const std::string dir = "/proc/" + std::to_string(pid) + "/fd";
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return {0, 0};
    }
    int all = 0;
    int sockets = 0;
    char target[64];
    while (const dirent* e = ::readdir(d)) {
        if (e->d_name[0] == '.') {
            continue;
        }
        ++all;
        const std::string path = dir + "/" + e->d_name;
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
        if (n > 7 && std::string_view(target, 7) == "socket:") {
            ++sockets;
        }
    }
    ::closedir(d);
    return {all, sockets};
}

} // namespace

Measured runTool(const QString& program, const QString& folder, const QStringList& arguments,
                 bool sampleDescriptors)
{
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString& a : arguments) {
        words.push_back(a.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (QByteArray& w : words) {
        argv.push_back(w.data());
    }
    argv.push_back(nullptr);
    const QByteArray output =
        QDir(folder).filePath(QStringLiteral("tool-output.txt")).toLocal8Bit();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    Measured m;
    pid_t pid = 0;
    const auto start = Clock::now();
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return m;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    if (sampleDescriptors) {
        while (wait4(pid, &status, WNOHANG, &usage) == 0) {
            // Right after the spawn the child may still show this program's descriptors (they
            // close at its exec, after the spawn returned); the tool opens no line that early.
            if (Clock::now() - start < kSettle) {
                std::this_thread::sleep_for(std::chrono::microseconds(500));
                continue;
            }
            const auto [all, sockets] = countDescriptors(pid);
            m.peakDescriptors = std::max(m.peakDescriptors, all);
            m.peakSockets = std::max(m.peakSockets, sockets);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    } else {
        wait4(pid, &status, 0, &usage);
    }
    m.wallMs = Ms(Clock::now() - start).count();
    m.peakMiB = double(usage.ru_maxrss) / 1024.0;
    const auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3;
    };
    m.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    m.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return m;
}

double median(std::vector<double> v)
{
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

} // namespace bench
