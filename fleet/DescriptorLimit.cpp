#include "fleet/DescriptorLimit.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace fleet {
namespace {

#ifdef Q_OS_UNIX
// Written once before any child starts; read in children between fork and exec.
bool g_raised = false;
struct rlimit g_original
{};
#endif

} // namespace

int descriptorsNeeded(int parallel)
{
    return kDescriptorsBesideLines + kDescriptorsPerLine * std::max(1, parallel);
}

bool raiseDescriptorLimit(int parallel)
{
#ifdef Q_OS_UNIX
    struct rlimit now
    {};
    if (::getrlimit(RLIMIT_NOFILE, &now) != 0) {
        return false;
    }
    const rlim_t needed = rlim_t(descriptorsNeeded(parallel));
    if (now.rlim_cur != RLIM_INFINITY && now.rlim_cur < needed) {
        struct rlimit raised = now;
        raised.rlim_cur = now.rlim_max == RLIM_INFINITY ? needed : std::min(needed, now.rlim_max);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            if (!g_raised) {
                g_original = now;
                g_raised = true;
            }
            return raised.rlim_cur >= needed;
        }
        return false;
    }
    return true;
#else
    Q_UNUSED(parallel);
    return true;
#endif
}

void restoreDescriptorLimitInChild()
{
#ifdef Q_OS_UNIX
    if (g_raised) {
        ::setrlimit(RLIMIT_NOFILE, &g_original);
    }
#endif
}

} // namespace fleet
