#pragma once

#include <QString>

#include <functional>
#include <ostream>
#include <sys/types.h>

namespace glintfall {

// The user that permission checks run as. Root ignores file modes, so as root the checks run in a
// child process that has become uid/gid 65534 (nobody/nogroup), also a member of the shared group
// "users"; any other user is unprivileged already and runs them in a child as itself.
class UnprivilegedUser {
public:
    // What the child process made of the function it ran.
    enum class Outcome { True, False, TimedOut, Crashed, CouldNotBecomeUser };

    static constexpr gid_t kSharedGroup = 100;

    UnprivilegedUser();

    // True when the test runs as root, so that the user is someone else and files may be handed out.
    bool IsAnotherUser() const { return m_anotherUser; }
    uid_t Uid() const { return m_uid; }
    gid_t Gid() const { return m_gid; }

    // Hands the file or folder to the user; only root can, and for anyone else it is theirs already.
    void Give(const QString& path) const;

    // Runs the function in a child process as the user. A child still running after the given time
    // is killed, so that a function that blocks fails the test instead of hanging it. The function
    // must not touch any widget: the child shares nothing with the parent's window system.
    Outcome Run(const std::function<bool()>& function, unsigned timeoutSeconds = 10) const;

private:
    bool m_anotherUser;
    uid_t m_uid;
    gid_t m_gid;
};

std::ostream& operator<<(std::ostream& out, UnprivilegedUser::Outcome outcome);

} // namespace glintfall
