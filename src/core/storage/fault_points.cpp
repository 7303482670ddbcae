#include "core/storage/fault_points.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace pos {

namespace {

struct FaultSettings
{
    long long killAt = 0; // 0: never
    long long failAt = 0; // 0: never
    bool failFromThere = false;
    std::FILE *log = nullptr;
};

const FaultSettings &settings()
{
    static const FaultSettings loaded = [] {
        FaultSettings s;
        bool ok = false;
        const long long at = qEnvironmentVariable("CORVALANE_KILL_AT_POINT").toLongLong(&ok);
        if (ok && at > 0)
            s.killAt = at;
        QString fail = qEnvironmentVariable("CORVALANE_FAIL_AT_CALL");
        s.failFromThere = fail.endsWith(QLatin1Char('+'));
        if (s.failFromThere)
            fail.chop(1);
        const long long failAt = fail.toLongLong(&ok);
        if (ok && failAt > 0)
            s.failAt = failAt;
        const QByteArray log = qgetenv("CORVALANE_POINT_LOG");
        if (!log.isEmpty())
            s.log = std::fopen(log.constData(), "a");
        return s;
    }();
    return loaded;
}

[[noreturn]] void dieAtOnce()
{
#ifdef Q_OS_WIN
    ::TerminateProcess(::GetCurrentProcess(), 137);
#else
    ::kill(::getpid(), SIGKILL);
#endif
    std::_Exit(137);
}

std::atomic<long long> passed{0};
std::atomic<long long> calls{0};
std::atomic<const char *> failing{nullptr};

} // namespace

bool faultPointsActive()
{
    const FaultSettings &s = settings();
    return s.killAt || s.log;
}

bool failsNow()
{
    const FaultSettings &s = settings();
    if (!s.failAt)
        return false;
    const long long n = ++calls;
    return n == s.failAt || (s.failFromThere && n > s.failAt);
}

void failAtPoint(const char *name)
{
    failing = name;
}

bool failsAt(const char *name)
{
    const char *at = failing.load();
    return at && std::strcmp(at, name) == 0;
}

void faultPoint(const char *name)
{
    const FaultSettings &s = settings();
    if (!s.killAt && !s.log)
        return;
    const long long n = ++passed;
    if (s.log) {
        std::fprintf(s.log, "%lld %s\n", n, name);
        std::fflush(s.log);
    }
    if (n == s.killAt)
        dieAtOnce();
}

} // namespace pos
