#include "launcher/SingleInstance.h"

#include "base/files/SettingsFile.h"

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

SingleInstance::SingleInstance(const heron_string& lockPath, const heron_string& sparePath)
{
    if (!take(lockPath) && !sparePath.empty()) {
        take(sparePath);
    }
}

bool SingleInstance::take(const heron_string& path)
{
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        m_error = heron_string("cannot open the lock file ") + path + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_state = State::Taken;
        return true;
    }
    if (errno == EWOULDBLOCK) {
        m_state = State::HeldElsewhere;
        return true;
    }
    m_error = heron_string("cannot lock ") + path + ": " + std::strerror(errno);
    ::close(m_fd);
    m_fd = -1;
    return false;
}

SingleInstance::~SingleInstance()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

heron_string SingleInstance::defaultPath()
{
    // A folder that cannot be made leaves the lock file unopenable, and the spare lock is taken.
    static_cast<void>(heron::SettingsFile::makeFolder());
    return heron::SettingsFile::folder() + "/" + lockName;
}

heron_string SingleInstance::sparePath()
{
    const char* const runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') {
        return heron_string(runtime) + "/" + lockName;
    }
    return heron_string("/tmp/") + lockName + "-" + std::to_string(::getuid()).c_str();
}

}
