#include "UnprivilegedUser.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace glintfall {

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNogroup = 65534;

// Exit codes of the child; anything else is a crash.
enum ExitCode { kTrue = 0, kFalse = 1, kNotUser = 2 };

bool BecomeNobody()
{
    const gid_t groups[] = {UnprivilegedUser::kSharedGroup};
    return setgroups(1, groups) == 0 && setgid(kNogroup) == 0 && setuid(kNobody) == 0 && geteuid() == kNobody;
}

UnprivilegedUser::Outcome OutcomeOf(int status)
{
    using Outcome = UnprivilegedUser::Outcome;
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGALRM ? Outcome::TimedOut : Outcome::Crashed;
    switch (WEXITSTATUS(status)) {
    case kTrue:
        return Outcome::True;
    case kFalse:
        return Outcome::False;
    case kNotUser:
        return Outcome::CouldNotBecomeUser;
    default:
        return Outcome::Crashed;
    }
}

} // namespace

UnprivilegedUser::UnprivilegedUser()
    : m_anotherUser(geteuid() == 0)
    , m_uid(m_anotherUser ? kNobody : geteuid())
    , m_gid(m_anotherUser ? kNogroup : getegid())
{
}

void UnprivilegedUser::Give(const QString& path) const
{
    if (m_anotherUser && chown(QFile::encodeName(path).constData(), m_uid, m_gid) != 0)
        perror("chown");
}

UnprivilegedUser::Outcome UnprivilegedUser::Run(const std::function<bool()>& function, unsigned timeoutSeconds) const
{
    const pid_t child = fork();
    if (child < 0)
        return Outcome::Crashed;
    if (child == 0) {
        // The default action of SIGALRM ends the child.
        std::signal(SIGALRM, SIG_DFL);
        alarm(timeoutSeconds);
        if (m_anotherUser && !BecomeNobody())
            _exit(kNotUser);
        _exit(function() ? kTrue : kFalse);
    }
    int status = 0;
    pid_t ended = 0;
    do
        ended = waitpid(child, &status, 0);
    while (ended < 0 && errno == EINTR);
    return ended == child ? OutcomeOf(status) : Outcome::Crashed;
}

std::ostream& operator<<(std::ostream& out, UnprivilegedUser::Outcome outcome)
{
    using Outcome = UnprivilegedUser::Outcome;
    switch (outcome) {
    case Outcome::True:
        return out << "true";
    case Outcome::False:
        return out << "false";
    case Outcome::TimedOut:
        return out << "timed out";
    case Outcome::Crashed:
        return out << "crashed";
    case Outcome::CouldNotBecomeUser:
        return out << "could not become the unprivileged user";
    }
    return out;
}

} // namespace glintfall
