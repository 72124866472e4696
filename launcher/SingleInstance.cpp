#include "launcher/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace game_launcher
{

namespace
{

constexpr const char* lockName = "VevoDeze1";

}

SingleInstance::SingleInstance(const heron_string& lockPath)
{
    m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = heron_string("cannot open the lock file ") + lockPath + ": " + std::strerror(errno);
        return;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_state = State::Taken;
        return;
    }
    if (errno == EWOULDBLOCK) {
        m_state = State::HeldElsewhere;
        return;
    }
    m_error = heron_string("cannot lock ") + lockPath + ": " + std::strerror(errno);
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

heron_string SingleInstance::defaultPath()
{
    const char* const runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return heron_string(runtime) + "/" + lockName;
    }
    return heron_string("/tmp/") + lockName + "-" + std::to_string(::getuid()).c_str();
}

}
